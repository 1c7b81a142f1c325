#!/usr/bin/env python3
"""Writes OUT/NAME.gz for each FILE given: gzip at its strongest, with no name or time in the
header, so that the same file always compresses to the same bytes.

Usage: gzip_files.py OUT FILE..."""

import gzip
import os
import sys


def main():
    out, files = sys.argv[1], sys.argv[2:]
    os.makedirs(out, exist_ok=True)
    for path in files:
        with open(path, "rb") as source:
            data = gzip.compress(source.read(), compresslevel=9, mtime=0)
        target = os.path.join(out, os.path.basename(path) + ".gz")
        with open(target + ".part", "wb") as written:
            written.write(data)
        os.replace(target + ".part", target)


if __name__ == "__main__":
    main()
