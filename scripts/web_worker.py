#!/usr/bin/env python3
"""Writes the site's service worker: TEMPLATE with @RELEASE@ replaced by the release it keeps,
{"cache": "dravik-VERSION-DIGEST", "files": {PATH: INTEGRITY}}: every file of SITE but the
worker itself, each with its SHA-256 sum as a fetch integrity value. A compressed file (NAME.gz)
also takes the sum of what it holds, for a server that sends it with "Content-Encoding: gzip",
so that the browser has it decompressed. DIGEST is the start of the sum of that list: a change
to any file is a new worker and a new cache even within a version.

The site's files are the FILEs the build writes there; any other file an earlier build left in
SITE is removed, so that it is neither kept by the worker nor shipped.

Usage: web_worker.py TEMPLATE SITE VERSION OUT FILE..."""

import base64
import gzip
import hashlib
import json
import os
import sys


def integrity(data):
    return "sha256-" + base64.b64encode(hashlib.sha256(data).digest()).decode()


def site_path(site, path):
    return os.path.relpath(path, site).replace(os.sep, "/")


def remove_others(site, keep):
    for folder, _, names in os.walk(site):
        for name in names:
            if site_path(site, os.path.join(folder, name)) not in keep:
                os.remove(os.path.join(folder, name))


def main():
    template, site, version, out, *written = sys.argv[1:]
    worker = site_path(site, out)
    listed = sorted(site_path(site, path) for path in written)
    remove_others(site, {*listed, worker})
    files = {}
    for path in listed:
        with open(os.path.join(site, path), "rb") as file:
            data = file.read()
        sums = [integrity(data)]
        if path.endswith(".gz"):
            sums.append(integrity(gzip.decompress(data)))
        files[path] = " ".join(sums)
    listed = json.dumps(files, sort_keys=True)
    digest = hashlib.sha256(listed.encode()).hexdigest()[:12]
    release = json.dumps({"cache": f"dravik-{version}-{digest}", "files": files}, indent=2,
                         sort_keys=True)
    with open(template) as file:
        text = file.read()
    if "@RELEASE@" not in text:
        raise SystemExit(f"web_worker: {template} has no @RELEASE@")
    with open(out + ".part", "w") as file:
        file.write(text.replace("@RELEASE@", release))
    os.replace(out + ".part", out)


if __name__ == "__main__":
    main()
