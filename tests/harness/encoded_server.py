"""http.server as a host set up to send files compressed serves them: each NAME.gz as what it
holds, with "Content-Encoding: gzip", so that the browser decompresses it before the page sees
it. Prints its port as http.server does.

Usage: python3 encoded_server.py ROOT"""

import functools
import http.server
import sys


class EncodingHandler(http.server.SimpleHTTPRequestHandler):
    def end_headers(self):
        if self.path.split("?", 1)[0].endswith(".gz"):
            self.send_header("Content-Encoding", "gzip")
        super().end_headers()

    def log_message(self, *args):
        pass


def main():
    handler = functools.partial(EncodingHandler, directory=sys.argv[1])
    with http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler) as server:
        print(f"Serving HTTP on 127.0.0.1 port {server.server_address[1]}", flush=True)
        server.serve_forever()


if __name__ == "__main__":
    main()
