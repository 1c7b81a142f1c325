"""A web page in headless Chromium (Debian's package), driven over the DevTools protocol by a
small client of our own (a WebSocket on the standard library), and served on localhost by
Python's http.server. Frames are read from the canvas's ImageData, so that the comparison is
exact and independent of the browser's scaling."""

import argparse
import base64
import contextlib
import json
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile

from harness.core import Failure, Processes, check, wait_until
from harness.frame import Frame

CHROMIUM = "chromium"

# DRAVIK_WEB_SLOW_MS delays every pass of the page's loop by that much: the proof that a test
# waits for states, not for time.
SLOW_PASSES = """(() => {
    const setTimeoutAsGiven = window.setTimeout.bind(window);
    window.setTimeout = (f, ms, ...rest) => setTimeoutAsGiven(f, ms + %d, ...rest);
})();"""


class WebSocket:
    """A client WebSocket: text messages out (masked, as a client must), whole messages in."""

    def __init__(self, url):
        match = re.fullmatch(r"ws://([^:/]+):(\d+)(/.*)", url)
        check(match is not None, f"not a local WebSocket address: {url}")
        host, port, path = match.group(1), int(match.group(2)), match.group(3)
        self.sock = socket.create_connection((host, port), timeout=30)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET {path} HTTP/1.1\r\nHost: {host}:{port}\r\n"
                           "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                           f"Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n")
                          .encode())
        self.pending = b""
        while b"\r\n\r\n" not in self.pending:
            self.pending += self._receive_some()
        head, self.pending = self.pending.split(b"\r\n\r\n", 1)
        check(head.split(b"\r\n")[0].split(b" ")[1] == b"101",
              f"the DevTools endpoint refused the WebSocket: {head[:80]!r}")

    def _receive_some(self):
        chunk = self.sock.recv(1 << 20)
        if not chunk:
            raise Failure("the browser closed its DevTools connection")
        return chunk

    def _exactly(self, count):
        while len(self.pending) < count:
            self.pending += self._receive_some()
        taken, self.pending = self.pending[:count], self.pending[count:]
        return taken

    def _send_frame(self, opcode, payload):
        length = len(payload)
        if length < 126:
            header = struct.pack(">BB", 0x80 | opcode, 0x80 | length)
        elif length < 1 << 16:
            header = struct.pack(">BBH", 0x80 | opcode, 0x80 | 126, length)
        else:
            header = struct.pack(">BBQ", 0x80 | opcode, 0x80 | 127, length)
        mask = os.urandom(4)
        repeated = (mask * (length // 4 + 1))[:length]
        masked = (int.from_bytes(payload, "big") ^ int.from_bytes(repeated, "big")).to_bytes(
            length, "big")
        self.sock.sendall(header + mask + masked)

    def send(self, text):
        self._send_frame(0x1, text.encode())

    def receive(self):
        """The next whole text message; pings are answered on the way."""
        message = b""
        while True:
            first, second = self._exactly(2)
            length = second & 0x7F
            if length == 126:
                length = struct.unpack(">H", self._exactly(2))[0]
            elif length == 127:
                length = struct.unpack(">Q", self._exactly(8))[0]
            payload = self._exactly(length)
            opcode = first & 0x0F
            if opcode == 0x8:
                raise Failure("the browser closed its DevTools connection")
            if opcode == 0x9:
                self._send_frame(0xA, payload)
                continue
            if opcode in (0x0, 0x1, 0x2):
                message += payload
                if first & 0x80:
                    return message.decode()

    def close(self):
        self.sock.close()


class Page:
    """One tab, attached through the browser's connection. Exceptions the page throws and
    errors it logs are collected in problems."""

    def __init__(self, connection, url):
        self.connection = connection
        self.next_id = 0
        self.problems = []
        self.paused = []  # requests held by hold(), by id
        target = self.command("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.command("Target.attachToTarget",
                                    {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.command(f"{domain}.enable", session=True)
        self.command("Emulation.setDeviceMetricsOverride",
                     {"width": 1700, "height": 1300, "deviceScaleFactor": 1, "mobile": False},
                     session=True)

    def command(self, method, params=None, session=False):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = self.session
        self.connection.send(json.dumps(message))
        while True:
            answer = json.loads(self.connection.receive())
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise Failure(f"{method}: {answer['error']}")
                return answer["result"]
            self._note(answer)

    def _note(self, event):
        method, params = event.get("method"), event.get("params", {})
        if method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.problems.append(details.get("exception", {}).get("description")
                                 or details.get("text"))
        elif method == "Runtime.consoleAPICalled" and params.get("type") == "error":
            self.problems.append(" ".join(str(a.get("value", a.get("description")))
                                          for a in params.get("args", [])))
        elif method == "Fetch.requestPaused":
            self.paused.append(params["requestId"])
        elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
            entry = params["entry"]
            # A data file the folder lacks is a 404 the page expects.
            if entry.get("source") != "network":
                self.problems.append(entry["text"])

    def run_before_scripts(self, source):
        """source runs in every document of the tab before the page's own scripts."""
        self.command("Page.addScriptToEvaluateOnNewDocument", {"source": source}, session=True)

    def hold(self, url_pattern):
        """Requests for addresses matching url_pattern (* for any text) get no answer until
        release()."""
        self.command("Fetch.enable", {"patterns": [{"urlPattern": url_pattern}]}, session=True)

    def release(self):
        """Lets the held requests go on (there must be one) and holds no more."""
        wait_until("a held request", lambda: self.status() and self.paused or None)
        for request in self.paused:
            self.command("Fetch.continueRequest", {"requestId": request}, session=True)
        self.paused.clear()
        self.command("Fetch.disable", session=True)

    def open(self, url):
        self.command("Page.navigate", {"url": url}, session=True)

    def start(self, url):
        """Opens url, its problems forgotten, and waits for the viewer to start: its first frame
        shown, or its message. Answers the page's status then."""
        self.problems.clear()
        self.open(url)

        def started():
            status = self.status()
            if status and (status["state"] == "message"
                           or status["state"] == "running" and status["frames"]):
                return status
            return None
        return wait_until(f"the page to start at {url}", started)

    def check_no_problems(self, what):
        check(not self.problems, f"{what}: the page reported {self.problems[:3]}")

    def first_frame_and_step(self, expected, key, what, keep):
        """The export's first frame, then key typed and the export's frame after it, and no
        problem reported; a wrong frame is kept as KEEP-first.png or KEEP-step.png."""
        self.wait_frame(expected.frame(), f"the first frame, {what}", f"{keep}-first.png")
        self.type(key)
        self.wait_frame(expected.frame(key), f"the frame after {key!r}, {what}",
                        f"{keep}-step.png")
        self.check_no_problems(f"the page, {what}")

    def evaluate(self, expression):
        result = self.command("Runtime.evaluate",
                              {"expression": expression, "returnByValue": True,
                               "awaitPromise": True}, session=True)
        if "exceptionDetails" in result:
            raise Failure(f"{expression[:60]}: {result['exceptionDetails'].get('text')}")
        return result["result"].get("value")

    def status(self):
        """The page's window.dravik: state, frames, firstFrameMs, message; None before it."""
        return json.loads(self.evaluate("JSON.stringify(window.dravik || null)"))

    def canvas(self):
        """The canvas's pixels as a Frame."""
        encoded = self.evaluate("""(() => {
            const c = document.getElementById('screen');
            const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
            let s = '';
            for (let i = 0; i < d.length; i += 0x8000) {
                s += String.fromCharCode.apply(null, d.subarray(i, i + 0x8000));
            }
            return [c.width, c.height, btoa(s)];
        })()""")
        width, height, data = encoded
        rgba = base64.b64decode(data)
        rgb = bytearray(width * height * 3)
        for channel in range(3):
            rgb[channel::3] = rgba[channel::4]
        return Frame(bytes(rgb), width, height)

    def wait_frame(self, expected, what, keep=None):
        """Waits until the canvas shows expected. Between presented frames only the page's frame
        counter is read."""
        seen = {"frames": -1, "last": None}

        def probe():
            status = self.status()
            if status is None or status["state"] != "running" or status["frames"] == 0:
                return None
            if status["frames"] != seen["frames"]:
                seen["frames"] = status["frames"]
                seen["last"] = self.canvas()
                if seen["last"] == expected:
                    return seen["last"]
            return None

        try:
            return wait_until(what, probe)
        except Failure:
            if keep is not None and seen["last"] is not None:
                seen["last"].save(keep)
            raise

    def type(self, keys):
        for key in keys:
            self.command("Input.dispatchKeyEvent",
                         {"type": "keyDown", "key": key, "text": key, "unmodifiedText": key},
                         session=True)
            self.command("Input.dispatchKeyEvent", {"type": "keyUp", "key": key},
                         session=True)

    def click(self, x, y):
        """A left click on the frame's pixel (x, y), wherever the canvas is scaled to."""
        left, top, width, height, frame_width, frame_height = self.evaluate("""(() => {
            const c = document.getElementById('screen');
            const r = c.getBoundingClientRect();
            return [r.left, r.top, r.width, r.height, c.width, c.height];
        })()""")
        at = {"x": left + (x + 0.5) * width / frame_width,
              "y": top + (y + 0.5) * height / frame_height}
        for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
            self.command("Input.dispatchMouseEvent",
                         {"type": kind, "button": "left" if kind != "mouseMoved" else "none",
                          "clickCount": 1, **at}, session=True)


class Browser:
    """Headless Chromium with a profile of its own, and a static server of root on localhost
    (http.server, or with encoded, harness/encoded_server.py); both processes are started
    through processes (harness.core.Processes), which ends them."""

    def __init__(self, processes, root, flags=(), encoded=False):
        self.profile = tempfile.mkdtemp(prefix="dravik-chromium-")
        server = ([os.path.join(os.path.dirname(__file__), "encoded_server.py"), root] if encoded
                  else ["-m", "http.server", "--bind", "127.0.0.1", "--directory", root, "0"])
        self.server = processes.start([sys.executable, "-u", *server], stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL, text=True)
        line = self.server.stdout.readline()
        match = re.search(r"port (\d+)", line)
        check(match is not None, f"http.server did not say its port: {line!r}")
        self.base = f"http://127.0.0.1:{match.group(1)}/"
        processes.start(
            [CHROMIUM, "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--no-default-browser-check", "--disable-extensions", "--mute-audio",
             "--remote-debugging-port=0", f"--user-data-dir={self.profile}", *flags,
             "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        lines = wait_until("Chromium's DevTools port", lambda: self._read_lines(port_file))
        self.connection = WebSocket(f"ws://127.0.0.1:{lines[0]}{lines[1]}")

    @staticmethod
    def _read_lines(path):
        try:
            with open(path) as file:
                lines = file.read().split()
        except OSError:
            return None
        return lines if len(lines) == 2 else None

    def page(self):
        page = Page(self.connection, self.base)
        slow = int(os.environ.get("DRAVIK_WEB_SLOW_MS", "0"))
        if slow:
            page.run_before_scripts(SLOW_PASSES % slow)
            print(f"every pass of the page's loop is {slow} ms slower")
        return page

    def close(self):
        self.connection.close()
        shutil.rmtree(self.profile, ignore_errors=True)


def web_test_parser():
    """The options every web test takes: the site as built (--site), the plain demo world
    (--world), tileview-export (--export) and a folder for what the test sees (--out)."""
    parser = argparse.ArgumentParser()
    for name in ("--site", "--world", "--export", "--out"):
        parser.add_argument(name, required=True)
    return parser


@contextlib.contextmanager
def browsing(root, flags=(), encoded=False):
    """A Browser serving root (Chromium given flags too), and a page of it; both its processes
    end on leaving."""
    processes = Processes()
    browser = None
    try:
        browser = Browser(processes, root, flags, encoded)
        yield browser, browser.page()
    finally:
        processes.stop_all()
        if browser is not None:
            browser.close()
