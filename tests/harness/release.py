"""What the tests of the released files share: the command line each takes, a folder of its own
for what it unpacks and sees, and a zip unpacked as a person unpacks it."""

import argparse
import os
import zipfile

from harness.core import check, fresh_folder, main


def command(description, run):
    """Runs run(args) as a test program; args has dist (the folder scripts/release wrote),
    version, export (the native build's tileview-export) and out (made afresh)."""
    parser = argparse.ArgumentParser(description=description)
    for option in ("--dist", "--version", "--export", "--out"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    args.out = fresh_folder(os.path.abspath(args.out))
    return main(lambda: run(args))


def released(args, name):
    """The path of a released file, which must be there."""
    path = os.path.join(args.dist, name)
    check(os.path.isfile(path), f"no {path}: scripts/release writes it")
    return path


def unzip(args, top):
    """dist/TOP.zip unzipped into out: the zip's one folder TOP, and the names it holds there."""
    with zipfile.ZipFile(released(args, f"{top}.zip")) as archive:
        names = archive.namelist()
        outside = [name for name in names if not name.startswith(f"{top}/")]
        check(not outside, f"{top}.zip holds entries outside {top}/: {outside[:3]}")
        archive.extractall(args.out)
    return os.path.join(args.out, top), sorted(name[len(top) + 1:] for name in names)
