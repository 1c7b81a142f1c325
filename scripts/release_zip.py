"""Writes a zip that is the same bytes for the same inputs: entries in sorted order, every time
the one given (SOURCE_DATE_EPOCH), fixed permissions, no owner or build path.

    python3 scripts/release_zip.py OUT.zip TOP [--crlf] NAME=PATH...

Each NAME=PATH puts the file PATH at TOP/NAME, or every file under the folder PATH under
TOP/NAME/. With --crlf, entries ending in .txt get CRLF line endings.
"""

import argparse
import os
import pathlib
import time
import zipfile


def entries(specs):
    """(name in the zip, path on disk) for every file the specs name."""
    found = {}
    for spec in specs:
        name, _, path = spec.partition("=")
        source = pathlib.Path(path)
        if source.is_dir():
            for file in source.rglob("*"):
                if file.is_file():
                    found[f"{name}/{file.relative_to(source).as_posix()}"] = file
        elif source.is_file():
            found[name] = source
        else:
            raise SystemExit(f"release_zip: {path}: no such file or folder")
    return sorted(found.items())


def zip_time():
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    # Zip times have two-second steps and start in 1980.
    return time.gmtime(max(epoch, 315532800))[:6]


def write_zip(out, top, specs, crlf):
    stamp = zip_time()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name, path in entries(specs):
            data = path.read_bytes()
            if crlf and name.endswith(".txt"):
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            info = zipfile.ZipInfo(f"{top}/{name}", stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so that the permissions below are read
            mode = 0o755 if os.access(path, os.X_OK) else 0o644
            info.external_attr = (0o100000 | mode) << 16
            archive.writestr(info, data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("top")
    parser.add_argument("--crlf", action="store_true")
    parser.add_argument("specs", nargs="+")
    options = parser.parse_args()
    write_zip(options.out, options.top, options.specs, options.crlf)


if __name__ == "__main__":
    main()
