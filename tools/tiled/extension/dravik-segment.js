/*
 * Dravik segment: Tiled opens a Dravik world's segment files (seg000.db and the others) as maps
 * and saves them back. tileview-tiled reads and writes them; this file only hands maps between it
 * and Tiled, as TMX files in the user's cache folder. The tileset stays the external .tsx that
 * tileview-tiled keeps in that cache, so that a map does not carry every tile's picture.
 *
 * `tileview-tiled install-extension` copies this file into Tiled's extensions folder and names
 * itself on the line below; without that name, tileview-tiled is looked for on PATH.
 */

const INSTALLED_PROGRAM = "";

const NOT_FOUND =
    "tileview-tiled was not found: install the dravik package " +
    "(sudo apt install ./dravik_VERSION_amd64.deb), or build Dravik and run " +
    "build/native/tools/tileview-tiled install-extension";

// A segment's map is read or written in well under a second; this only keeps Tiled from
// waiting for ever on a program that hangs.
const DEADLINE_MS = 120000;

function program() {
    if (INSTALLED_PROGRAM !== "" && File.exists(INSTALLED_PROGRAM)) {
        return INSTALLED_PROGRAM;
    }
    return "tileview-tiled";
}

// Runs tileview-tiled; answers "" when it succeeded, else the one line of its error.
function run(args) {
    const process = new Process();
    if (!process.start(program(), args)) {
        return NOT_FOUND;
    }
    if (!process.waitForFinished(DEADLINE_MS)) {
        process.kill();
        return "tileview-tiled " + args[0] + " did not finish in " + DEADLINE_MS / 1000 + " s";
    }
    if (process.exitCode === 0) {
        return "";
    }
    const line = process.readStdErr().split("\n").find((text) => text !== "");
    return line === undefined
        ? "tileview-tiled " + args[0] + " ended with exit code " + process.exitCode
        : line.replace(/^tileview-tiled: /, "");
}

// A TMX file of its own for one open or save, in the user's cache folder (never in the world
// folder, which a running viewer reads).
function scratchFile(what, fileName) {
    const env = new Process();
    const cache = env.getEnv("XDG_CACHE_HOME");
    const root = cache.startsWith("/") ? cache : env.getEnv("HOME") + "/.cache";
    const folder = root + "/dravik/tiled/scratch";
    File.makePath(folder);
    const unique = Date.now() + "-" + Math.floor(Math.random() * 1e9);
    return folder + "/" + what + "-" + FileInfo.completeBaseName(fileName) + "-" + unique + ".tmx";
}

function removeScratch(tmx) {
    if (File.exists(tmx)) {
        File.remove(tmx);
    }
}

// The scratch file's name means nothing to the map maker: the segment's stands in its place.
function refusal(message, tmx, fileName) {
    const line = message.split(tmx).join(fileName);
    console.error("Dravik segment: " + line);
    return line;
}

tiled.registerMapFormat("dravik", {
    name: "Dravik segment",
    extension: "db",

    read(fileName) {
        const tmx = scratchFile("open", fileName);
        const error = run(["map", fileName, tmx]);
        if (error !== "") {
            removeScratch(tmx);
            throw new Error(error);
        }
        try {
            return tiled.mapFormat("tmx").read(tmx);
        } finally {
            removeScratch(tmx);
        }
    },

    write(map, fileName) {
        const tmx = scratchFile("save", fileName);
        const written = tiled.mapFormat("tmx").write(map, tmx);
        const error = typeof written === "string" && written !== ""
            ? written
            : run(["segment", tmx, fileName]);
        removeScratch(tmx);
        return error === "" ? undefined : refusal(error, tmx, fileName);
    },
});
