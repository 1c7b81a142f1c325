#!/usr/bin/env python3
"""Writes the site's service worker: TEMPLATE with @RELEASE@ replaced by the release it keeps,
{"cache": "dravik-VERSION-DIGEST", "files": {PATH: INTEGRITY}}: every file of SITE but the
worker itself, each with its SHA-256 sum as a fetch integrity value. A compressed world file
(world/NAME.gz) also takes the sum of the plain file in PLAIN, for a server that sends it with
"Content-Encoding: gzip", so that the browser has it decompressed. DIGEST is the start of the
sum of that list: a change to any file is a new worker and a new cache even within a version.

Usage: web_worker.py TEMPLATE SITE PLAIN VERSION OUT"""

import base64
import hashlib
import json
import os
import sys


def integrity(path):
    with open(path, "rb") as file:
        return "sha256-" + base64.b64encode(hashlib.sha256(file.read()).digest()).decode()


def site_files(site, worker):
    """Each file under site by its path from there, with / between folders, sorted."""
    found = []
    for folder, _, names in os.walk(site):
        for name in names:
            path = os.path.relpath(os.path.join(folder, name), site).replace(os.sep, "/")
            if path != worker and not path.endswith(".part"):
                found.append(path)
    return sorted(found)


def main():
    template, site, plain, version, out = sys.argv[1:]
    worker = os.path.relpath(out, site).replace(os.sep, "/")
    files = {}
    for path in site_files(site, worker):
        sums = [integrity(os.path.join(site, path))]
        folder, name = os.path.split(path)
        if folder == "world" and name.endswith(".gz"):
            sums.append(integrity(os.path.join(plain, name[:-3])))
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
