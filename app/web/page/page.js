// The page: picks the mode and the data folder, reads the folder into the module's files,
// decodes tiles.bmp with the browser's own decoder, and runs the viewer's main loop on a timer:
// one event a pass, one frame (the module skips it when it would equal the one shown), 10 ms.
"use strict";

const MODES = ["1024", "1600", "1280", "640"];
const DATA_FILES = ["terrain.db", "seg000.db", "seg001.db", "seg005.db", "seg006.db",
  "seg007.db", "seg009.db", "tiles.bmp"];
const PASS_PAUSE_MS = 10;
const CHARACTER_EVENT = 1;
const CLICK_EVENT = 2;

const elements = {
  mode: document.getElementById("mode"),
  folder: document.getElementById("folder"),
  source: document.getElementById("source"),
  message: document.getElementById("message"),
  screen: document.getElementById("screen"),
};

// What the page shows, for people and for the end-to-end tests: the state, the frames
// presented, and when the first came (milliseconds since the page's start).
const status = { state: "idle", frames: 0, firstFrameMs: null, message: "" };
window.dravik = status;

const modules = new Map(); // mode -> compiled WebAssembly.Module
let files = null;          // name -> Uint8Array, the data folder read into memory
let run = null;            // the running viewer: {exports, memory, width, height, events, timer}
let starts = 0;            // each start supersedes the previous one

function moduleFor(mode) {
  if (!modules.has(mode)) {
    modules.set(mode, WebAssembly.compileStreaming(fetch(`tileview-${mode}.wasm`)));
  }
  return modules.get(mode);
}

function showMessage(text) {
  elements.screen.hidden = true;
  elements.message.textContent = text;
  elements.message.hidden = false;
  status.message = text;
  status.state = "message";
}

function cString(memory, pointer) {
  const bytes = new Uint8Array(memory.buffer, pointer);
  return new TextDecoder().decode(bytes.subarray(0, bytes.indexOf(0)));
}

// The picture as the browser decodes it, colours as stored; null when it cannot.
async function decodePicture(data) {
  try {
    return await createImageBitmap(new Blob([data], { type: "image/bmp" }),
      { colorSpaceConversion: "none", premultiplyAlpha: "none" });
  } catch (error) {
    return null;
  }
}

// The decoded picture's rows, a band at a time, mapped onto the palette into the sheet.
function mapPicture(exports, memory, picture) {
  const width = Math.min(picture.width, 1300);
  const height = Math.min(picture.height, 3900);
  const bandRows = exports.pictureBandRows();
  const scratch = new OffscreenCanvas(width, bandRows);
  const context = scratch.getContext("2d", { willReadFrequently: true });
  for (let top = 0; top < height; top += bandRows) {
    const rows = Math.min(bandRows, height - top);
    context.clearRect(0, 0, width, bandRows);
    context.drawImage(picture, 0, top, width, rows, 0, 0, width, rows);
    const pixels = context.getImageData(0, 0, width, rows).data;
    new Uint8Array(memory.buffer, exports.pictureBand(), pixels.length).set(pixels);
    exports.mapPictureBand(width, top, rows);
  }
}

function fitScreen() {
  if (run === null) return;
  const stage = elements.screen.parentElement;
  const scale = Math.min(stage.clientWidth / run.width, stage.clientHeight / run.height);
  elements.screen.style.width = `${Math.max(1, Math.floor(run.width * scale))}px`;
  elements.screen.style.height = `${Math.max(1, Math.floor(run.height * scale))}px`;
}

function stopViewer() {
  if (run !== null) clearTimeout(run.timer);
  run = null;
}

async function startViewer() {
  const start = ++starts;
  stopViewer();
  if (files === null) return;
  status.state = "starting";
  status.frames = 0;
  status.firstFrameMs = null;
  const mode = elements.mode.value;
  const wasi = makeWasiFiles(files, (text) => console.log(text));
  let instance = null;
  const imports = {
    wasi_snapshot_preview1: wasi.imports,
    page: { showFrame: () => showFrame(instance) },
  };
  instance = await WebAssembly.instantiate(await moduleFor(mode), imports);
  if (start !== starts) return;
  const { exports } = instance;
  wasi.attach(exports.memory);
  exports._initialize();
  if (exports.start() === 0) {
    showMessage(cString(exports.memory, exports.terrainMissingText()));
    return;
  }
  if (files.has("tiles.bmp") && exports.pictureLoadable() !== 0) {
    const picture = await decodePicture(files.get("tiles.bmp"));
    if (start !== starts) return;
    if (picture !== null) mapPicture(exports, exports.memory, picture);
  }
  run = { exports, width: exports.width(), height: exports.height(), events: [], timer: 0 };
  elements.message.hidden = true;
  elements.screen.width = run.width;
  elements.screen.height = run.height;
  elements.screen.hidden = false;
  status.state = "running";
  fitScreen();
  pass();
}

function showFrame(instance) {
  const { exports } = instance;
  const width = exports.width();
  const height = exports.height();
  const pixels = new Uint8ClampedArray(exports.memory.buffer, exports.presentPixels(),
    width * height * 4);
  elements.screen.getContext("2d").putImageData(new ImageData(pixels, width, height), 0, 0);
  status.frames += 1;
  if (status.firstFrameMs === null) status.firstFrameMs = performance.now();
}

// One pass of the main loop: at most one event, then the frame, then the pause.
function pass() {
  const event = run.events.shift() || [0, 0, 0];
  run.exports.pass(...event);
  run.timer = setTimeout(pass, PASS_PAUSE_MS);
}

async function readFiles(entries) {
  const read = new Map();
  await Promise.all(entries.map(async ([name, file]) => {
    try {
      read.set(name, new Uint8Array(await file.arrayBuffer()));
    } catch (error) {
      // An unreadable file is a missing one, as fopen would find it.
    }
  }));
  return read;
}

async function fetchFolder(path) {
  const folder = path.endsWith("/") ? path : `${path}/`;
  const read = new Map();
  await Promise.all(DATA_FILES.map(async (name) => {
    const response = await fetch(folder + name).catch(() => null);
    if (response !== null && response.ok) {
      read.set(name, new Uint8Array(await response.arrayBuffer()));
    }
  }));
  elements.source.textContent = folder;
  return read;
}

// From <input webkitdirectory>: the files directly inside the chosen folder.
function chosenFiles(list) {
  return Array.from(list)
    .map((file) => [file.webkitRelativePath.split("/"), file])
    .filter(([parts]) => parts.length === 2 && DATA_FILES.includes(parts[1]))
    .map(([parts, file]) => [parts[1], file]);
}

function entryFile(entry) {
  return new Promise((resolve) => entry.file(resolve, () => resolve(null)));
}

function directoryEntries(directory) {
  const reader = directory.createReader();
  const all = [];
  return new Promise((resolve) => {
    const next = () => reader.readEntries((batch) => {
      if (batch.length === 0) {
        resolve(all);
      } else {
        all.push(...batch);
        next();
      }
    }, () => resolve(all));
    next();
  });
}

// A dropped folder, or the data files themselves dropped together.
async function droppedFiles(items) {
  const entries = Array.from(items).map((item) => item.webkitGetAsEntry()).filter(Boolean);
  const folder = entries.find((entry) => entry.isDirectory);
  const candidates = folder ? await directoryEntries(folder) : entries;
  const found = [];
  for (const entry of candidates) {
    if (entry.isFile && DATA_FILES.includes(entry.name)) {
      const file = await entryFile(entry);
      if (file !== null) found.push([entry.name, file]);
    }
  }
  return { name: folder ? folder.name : "dropped files", found };
}

function typedCharacter(event) {
  if (run === null || event.ctrlKey || event.altKey || event.metaKey) return;
  if (event.target === elements.mode) return;
  const characters = Array.from(event.key);
  if (characters.length !== 1) return; // a named key (Shift, Enter, F11), not a character
  run.events.push([CHARACTER_EVENT, characters[0].codePointAt(0), 0]);
  event.preventDefault();
}

// Positions on the scaled canvas back onto its W x H pixels.
function clicked(event) {
  if (run === null || event.button !== 0) return;
  const rect = elements.screen.getBoundingClientRect();
  const x = Math.floor((event.clientX - rect.left) * run.width / rect.width);
  const y = Math.floor((event.clientY - rect.top) * run.height / rect.height);
  run.events.push([CLICK_EVENT, x, y]);
}

function setUp() {
  const params = new URLSearchParams(location.search);
  if (MODES.includes(params.get("mode"))) elements.mode.value = params.get("mode");
  elements.mode.addEventListener("change", () => {
    params.set("mode", elements.mode.value);
    history.replaceState(null, "", `?${params}`);
    elements.mode.blur();
    startViewer();
  });
  elements.folder.addEventListener("change", async () => {
    const chosen = chosenFiles(elements.folder.files);
    files = await readFiles(chosen);
    const first = elements.folder.files[0];
    elements.source.textContent = first ? first.webkitRelativePath.split("/")[0] : "";
    startViewer();
  });
  document.addEventListener("dragover", (event) => {
    event.preventDefault();
    document.body.classList.add("dropping");
  });
  document.addEventListener("dragleave", () => document.body.classList.remove("dropping"));
  document.addEventListener("drop", async (event) => {
    event.preventDefault();
    document.body.classList.remove("dropping");
    const { name, found } = await droppedFiles(event.dataTransfer.items);
    files = await readFiles(found);
    elements.source.textContent = name;
    startViewer();
  });
  document.addEventListener("keydown", typedCharacter);
  elements.screen.addEventListener("mousedown", clicked);
  window.addEventListener("resize", fitScreen);
  const data = params.get("data");
  if (data !== null) {
    fetchFolder(data).then((read) => {
      files = read;
      startViewer();
    });
  } else {
    moduleFor(elements.mode.value);
  }
}

setUp();
