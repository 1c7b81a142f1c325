"""Tiled itself, without a display: the Dravik segment extension installed by tileview-tiled in
a home of the test's own, and `tiled --export-map` run there with a deadline. Tiled picks the
extension's format for a .db file, so export_map(SEGMENT, OUT.tmx) opens a segment and
export_map(IN.tmx, SEGMENT) saves one, as File › Open and Ctrl+S do in the editor."""

import os
import shutil

from harness.core import PATIENCE, check, run_program, without_display


class TiledHome:
    """A private HOME (and XDG config, cache and runtime folders) under folder."""

    def __init__(self, folder, tileview_tiled):
        check(shutil.which("tiled") is not None, "no tiled on PATH: scripts/install-deps tiled")
        self.tileview_tiled = tileview_tiled
        self.config = os.path.join(folder, "config")
        self.cache = os.path.join(folder, "cache")
        runtime = os.path.join(folder, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env = {**without_display(), "HOME": folder, "XDG_CONFIG_HOME": self.config,
                    "XDG_CACHE_HOME": self.cache, "XDG_RUNTIME_DIR": runtime,
                    "QT_QPA_PLATFORM": "offscreen"}
        self.extension = os.path.join(self.config, "tiled", "extensions", "dravik-segment.js")

    def install(self, program=None):
        """tileview-tiled install-extension (program, or the one given at first); its stdout."""
        result = run_program([program or self.tileview_tiled, "install-extension"], env=self.env)
        check(result.returncode == 0 and os.path.isfile(self.extension),
              f"install-extension: exit code {result.returncode}: {result.stderr}")
        return result.stdout

    def export_map(self, source, target, timeout=PATIENCE):
        """tiled --export-map source target: its exit code and stderr."""
        result = run_program(["tiled", "--export-map", source, target], timeout=timeout,
                             env=self.env)
        return result.returncode, result.stderr
