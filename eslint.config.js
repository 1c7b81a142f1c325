// ESLint over the project's JavaScript (scripts/lint runs it; any finding fails). Each file set
// gets the globals of the place it runs in, and nothing more.
"use strict";

const js = require("@eslint/js");
const globals = require("globals");

// The page's classic scripts share one global scope, joined into one file (dravik.js) in the
// order app/web/CMakeLists.txt gives: each name here is declared at the top level of its file
// and used from the others. ESLint reads one file at a time, so a file sees the other files'
// names as globals, and its own count as used. dravik_constants.js is written by the build
// (cmake/DravikConstants.cmake).
const SHARED = {
  "dravik_constants.js": ["SEGMENT_FILES", "VIEWER_MODES"],
  "wasi_files.js": ["makeArrivingFiles", "makeWasiFiles"],
  "place_link.js": ["readPlace", "placeFragment", "placeKeys", "placeOf", "showPlace"],
  "touch.js": ["watchTouch"],
  "local_folder.js": ["localFolder", "chosenFiles", "droppedFiles"],
  "page.js": ["DATA_FILES", "cString"],
};

function classicScript(file) {
  const others = Object.entries(SHARED).filter(([name]) => name !== file)
    .flatMap(([, names]) => names);
  return {
    files: [`app/web/page/${file}`],
    languageOptions: {
      sourceType: "script",
      globals: {
        ...globals.browser,
        ...Object.fromEntries(others.map((name) => [name, "readonly"])),
      },
    },
    rules: {
      "no-unused-vars": ["error", { varsIgnorePattern: `^(${SHARED[file].join("|")})$` }],
    },
  };
}

// The build replaces @RELEASE@ in sw.js with an object literal (scripts/web_worker.py); a
// stand-in of the same length keeps the template parseable and the columns where they are.
const RELEASE_PLACEHOLDER = "@RELEASE@";
const workerTemplate = {
  preprocess: (text) =>
    [text.replace(RELEASE_PLACEHOLDER, "{}".padEnd(RELEASE_PLACEHOLDER.length))],
  postprocess: (messages) => messages.flat(),
  supportsAutofix: false,
};

module.exports = [
  js.configs.recommended,
  ...Object.keys(SHARED).filter((file) => file !== "dravik_constants.js").map(classicScript),
  {
    // page.js's own status (window.dravik, read by the tests) shadows window.status, a relic
    // of the status bar that the page never uses.
    files: ["app/web/page/page.js"],
    languageOptions: { globals: { status: "off" } },
  },
  {
    // Loaded by page.js with import() once the first frame is shown.
    files: ["app/web/page/offline.js"],
    languageOptions: { sourceType: "module", globals: globals.browser },
  },
  {
    files: ["app/web/page/sw.js"],
    processor: workerTemplate,
    languageOptions: { sourceType: "script", globals: globals.serviceworker },
  },
  {
    // Tiled's scripting engine: its own objects, and a console.
    files: ["tools/tiled/extension/*.js"],
    languageOptions: {
      sourceType: "script",
      globals: { tiled: "readonly", File: "readonly", FileInfo: "readonly", Process: "readonly",
        console: "readonly" },
    },
  },
  {
    files: ["eslint.config.js"],
    languageOptions: { sourceType: "commonjs", globals: globals.node },
  },
];
