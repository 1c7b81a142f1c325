#pragma once
// tileview-tiled install-extension: the Tiled extension that opens and saves segment files, put
// where Tiled loads a user's extensions.

// Copies the extension from the share folder beside this program's folder (share/dravik/tiled,
// in the package and in the build tree alike) to $XDG_CONFIG_HOME/tiled/extensions (or
// ~/.config/tiled/extensions), naming this program in it so that Tiled runs this very
// tileview-tiled. Running it again writes the same file. Answers the exit code: 0 when
// installed, 1 when the extension cannot be read or written.
int InstallExtension();
