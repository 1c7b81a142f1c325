// The page: picks the mode and the data folder (the bundled demo world unless told otherwise),
// fetches what the first frame needs before the rest, decodes tiles.bmp with the browser's own
// decoder, and runs the viewer's main loop on a timer: one event a pass, one frame (the module
// skips it when it would equal the one shown), 10 ms. The viewer starts at the place the
// address names (place_link.js); keys, clicks, touch (touch.js) and the segment buttons come
// to it as events of that loop.
"use strict";

// SEGMENT_FILES and VIEWER_MODES come from dravik_constants.js, which the build writes.
const DATA_FILES = ["terrain.db", ...SEGMENT_FILES, "tiles.bmp"];
// What the first frame reads (the segment shown at the start is the first), fetched before the
// other segments so that they do not share the link with it. Only an order: the module says which
// file it reads, and the page waits for that one.
const FIRST_FRAME_FILES = ["terrain.db", SEGMENT_FILES[0], "tiles.bmp"];
// The demo world in the site, each file gzip-compressed (NAME.gz), a segment as far as a frame
// can draw it.
const BUNDLED_WORLD = "world/";
const PASS_PAUSE_MS = 10;
const CHARACTER_EVENT = 1;
const CLICK_EVENT = 2;

const elements = {
  mode: document.getElementById("mode"),
  previous: document.getElementById("previous"),
  next: document.getElementById("next"),
  segment: document.getElementById("segment"),
  folder: document.getElementById("folder"),
  source: document.getElementById("source"),
  message: document.getElementById("message"),
  screen: document.getElementById("screen"),
  stage: document.getElementById("stage"),
  progress: document.getElementById("progress"),
  progressBar: document.querySelector("#progress progress"),
  progressText: document.querySelector("#progress span"),
};

// What the page shows, for people and for the end-to-end tests: the state ("loading" until the
// files the first frame reads are in, then "starting", "running" or "message"), the frames
// presented, when the first came (milliseconds since the page's start), the file a segment step
// waits for, and the data folder's download (see newDownload).
const status = {
  state: "idle", frames: 0, firstFrameMs: null, message: "", waitingFor: null, download: null,
};
window.dravik = status;

const modules = new Map(); // mode -> compiled WebAssembly.Module
let source = null;         // the data folder: {files (arriving), fetchRest()}
let run = null;            // the viewer: {exports, source, mode, width, height, events, timer}
let starts = 0;            // each start supersedes the previous one

function moduleFor(mode) {
  if (!modules.has(mode)) {
    const compiled = fetch(`tileview-${mode}.wasm.gz`)
      .then((response) => (response.ok ? bodyOf(response, newDownload(), true) : Promise.reject(
        new Error(`tileview-${mode}.wasm.gz: ${response.status} ${response.statusText}`))))
      .then((body) => WebAssembly.compileStreaming(
        new Response(body, { headers: { "Content-Type": "application/wasm" } })));
    modules.set(mode, compiled);
  }
  return modules.get(mode);
}

// Bytes received, and the total of the files whose size the server gave; fetches started,
// answered (headers in) and settled (come, or known missing); unsized: answers without a size.
function newDownload() {
  return { received: 0, total: 0, started: 0, answered: 0, settled: 0, unsized: 0 };
}

function kilobytes(bytes) {
  return `${Math.round(bytes / 1000).toLocaleString("en")} KB`;
}

// The download's progress, shown while the viewer waits for a file: before the first frame,
// and while a segment step waits for its segment.
function showProgress() {
  const download = status.download;
  const shown = download !== null && (status.state === "loading" || status.waitingFor !== null);
  elements.progress.hidden = !shown;
  if (!shown) return;
  const { received, total } = download;
  // A total is only told once every file in flight has said its size: it must not grow.
  const sized = total > 0 && download.answered === download.started && download.unsized === 0;
  elements.progressText.textContent = sized ?
    `Loading the data: ${kilobytes(received)} of ${kilobytes(total)}` :
    `Loading the data: ${kilobytes(received)}`;
  if (sized) {
    elements.progressBar.max = total;
    elements.progressBar.value = Math.min(received, total);
  } else {
    elements.progressBar.removeAttribute("value");
  }
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
  } catch {
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

// The frame at the largest whole factor that fits the stage, counted in device pixels, so that
// every frame pixel is the same square of screen pixels; placed on whole device pixels, as a
// half-pixel offset would make columns of uneven width. A stage smaller than the mode has no
// whole factor: the frame is scaled down smoothly then.
function fitScreen() {
  if (run === null) return;
  const ratio = window.devicePixelRatio || 1;
  const stage = elements.screen.parentElement.getBoundingClientRect();
  const left = Math.ceil(stage.left * ratio);
  const top = Math.ceil(stage.top * ratio);
  const width = Math.floor(stage.right * ratio) - left;
  const height = Math.floor(stage.bottom * ratio) - top;
  const fit = Math.min(width / run.width, height / run.height);
  const factor = fit >= 1 ? Math.floor(fit) : fit;
  const shownWidth = Math.max(1, Math.floor(run.width * factor));
  const shownHeight = Math.max(1, Math.floor(run.height * factor));
  const style = elements.screen.style;
  style.width = `${shownWidth / ratio}px`;
  style.height = `${shownHeight / ratio}px`;
  style.left = `${(left + Math.floor((width - shownWidth) / 2)) / ratio}px`;
  style.top = `${(top + Math.floor((height - shownHeight) / 2)) / ratio}px`;
  elements.screen.classList.toggle("reduced", fit < 1);
}

// A change of devicePixelRatio (zoom, another monitor) fires no resize everywhere.
function watchPixelRatio() {
  matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener("change", () => {
    fitScreen();
    watchPixelRatio();
  }, { once: true });
}

function stopViewer() {
  if (run !== null) clearTimeout(run.timer);
  run = null;
  status.waitingFor = null;
}

async function startViewer() {
  const start = ++starts;
  stopViewer();
  if (source === null) return;
  const { files } = source;
  status.state = "loading";
  status.frames = 0;
  status.firstFrameMs = null;
  status.download = source.download;
  elements.message.hidden = true;
  showProgress();
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
  const firstRead = ["terrain.db", cString(exports.memory, exports.shownSegmentFile()),
    "tiles.bmp"];
  await Promise.all(firstRead.map((name) => files.arrival(name)));
  if (start !== starts) return;
  status.state = "starting";
  showProgress();
  if (exports.start() === 0) {
    showMessage(cString(exports.memory, exports.terrainMissingText()));
    return;
  }
  if (files.has("tiles.bmp") && exports.pictureLoadable() !== 0 &&
      exports.mapIndexedPicture() === 0) {
    const picture = await decodePicture(files.get("tiles.bmp"));
    if (start !== starts) return;
    if (picture !== null) mapPicture(exports, exports.memory, picture);
  }
  if (!await replayPlace(exports, source, start)) return;
  run = { exports, source, mode, width: exports.width(), height: exports.height(), events: [],
    timer: 0 };
  elements.screen.width = run.width;
  elements.screen.height = run.height;
  elements.screen.hidden = false;
  status.state = "running";
  fitScreen();
  pass();
  showView();
  source.fetchRest();
  import("./offline.js").then((offline) => offline.keepForOffline(files, DATA_FILES));
}

// The keys that reach the place the address names, each segment step once its file has come.
// False when a later start has superseded this one meanwhile.
async function replayPlace(exports, from, start) {
  const place = readPlace(location.hash) || readPlace("");
  for (const key of placeKeys(place)) {
    const code = key.codePointAt(0);
    const file = fileReadBy(exports, [CHARACTER_EVENT, code, 0]);
    if (file !== null && from.files.isPending(file)) {
      status.waitingFor = file;
      showProgress();
      from.fetchRest();
      await from.files.arrival(file);
      if (start !== starts) return false;
      status.waitingFor = null;
      showProgress();
    }
    exports.replayCharacter(code);
  }
  return true;
}

// Where the view is, in the address and beside the segment buttons.
function showView() {
  const place = placeOf(run.mode, run.exports);
  elements.segment.textContent = place.segment;
  showPlace(place);
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

// The segment file the event would make the viewer read; null when it reads none.
function fileReadBy(exports, event) {
  if (event[0] !== CHARACTER_EVENT) return null;
  const name = exports.steppedSegmentFile(event[1]);
  return name === 0 ? null : cString(exports.memory, name);
}

// One pass of the main loop: at most one event, then the frame, then the pause. An event that
// would read a file still on its way is held, and every event after it, until the file comes.
function pass() {
  const current = run;
  const event = current.events[0];
  const file = event === undefined ? null : fileReadBy(current.exports, event);
  const { files } = current.source;
  if (file !== null && files.isPending(file)) {
    status.waitingFor = file;
    showProgress();
    current.source.fetchRest();
    files.arrival(file).then(() => {
      if (run !== current) return;
      status.waitingFor = null;
      showProgress();
      pass();
    });
    return;
  }
  current.events.shift();
  current.exports.pass(...(event || [0, 0, 0]));
  if (event !== undefined) showView();
  current.timer = setTimeout(pass, PASS_PAUSE_MS);
}

// A reader of the response's chunks that counts each into the download as it comes (null at
// the end); the size the server gave counts into its total.
function countedChunks(response, download) {
  const size = Number(response.headers.get("Content-Length"));
  if (size > 0) {
    download.total += size;
  } else {
    download.unsized += 1;
  }
  const reader = response.body.getReader();
  return async () => {
    const { done, value } = await reader.read();
    if (done) return null;
    download.received += value.length;
    showProgress();
    return value;
  };
}

// The body of a response as it comes, counted into the download and, for a file stored
// compressed (NAME.gz), decompressed as it comes too: the work is done while the link is still
// busy, not after its last byte. A server sends NAME.gz as stored (gzip) unless it sends it with
// "Content-Encoding: gzip", and then the browser has decompressed it already: the first bytes
// tell which. A plain file is taken as it is, whatever its first bytes.
async function bodyOf(response, download, compressed) {
  const next = countedChunks(response, download);
  const head = [];
  for (let chunk = null, length = 0; length < 3 && (chunk = await next()) !== null;) {
    head.push(chunk);
    length += chunk.length;
  }
  const body = new ReadableStream({
    start(controller) {
      head.forEach((chunk) => controller.enqueue(chunk));
    },
    async pull(controller) {
      const chunk = await next();
      if (chunk === null) controller.close(); else controller.enqueue(chunk);
    },
  });
  const start = new Uint8Array(await new Blob(head).slice(0, 3).arrayBuffer());
  const gzip = compressed && start[0] === 0x1f && start[1] === 0x8b && start[2] === 8;
  return gzip ? body.pipeThrough(new DecompressionStream("gzip")) : body;
}

// The data files from a folder on the server, each stored as NAME.gz when compressed; those the
// first frame reads at once, the others when fetchRest is called (after the first frame, or
// when a step needs one sooner).
function fetchFolder(folder, compressed) {
  const files = makeArrivingFiles();
  const download = newDownload();
  const fetchFile = async (name) => {
    download.started += 1;
    let data = null;
    const response = await fetch(folder + name + (compressed ? ".gz" : "")).catch(() => null);
    download.answered += 1;
    try {
      if (response !== null && response.ok) {
        const body = await bodyOf(response, download, compressed);
        data = new Uint8Array(await new Response(body).arrayBuffer());
      }
    } catch {
      // Cut short, or not gzip after all: a missing file, as fopen would find it.
      data = null;
    }
    download.settled += 1;
    files.settle(name, data);
    showProgress();
  };
  DATA_FILES.forEach((name) => files.expect(name));
  FIRST_FRAME_FILES.forEach(fetchFile);
  let restFetched = false;
  return {
    files,
    download,
    fetchRest() {
      if (restFetched) return;
      restFetched = true;
      DATA_FILES.filter((name) => !FIRST_FRAME_FILES.includes(name)).forEach(fetchFile);
    },
  };
}

function typeCharacter(character) {
  if (run !== null) run.events.push([CHARACTER_EVENT, character.codePointAt(0), 0]);
}

function typedCharacter(event) {
  if (run === null || event.ctrlKey || event.altKey || event.metaKey) return;
  if (event.target === elements.mode) return;
  if (event.key === " " && event.target instanceof HTMLButtonElement) return; // pressed, not typed
  const characters = Array.from(event.key);
  if (characters.length !== 1) return; // a named key (Shift, Enter, F11), not a character
  typeCharacter(characters[0]);
  event.preventDefault();
}

// Positions on the scaled canvas back onto its W x H pixels; none outside it.
function clickAt(clientX, clientY) {
  if (run === null) return;
  const rect = elements.screen.getBoundingClientRect();
  const x = Math.floor((clientX - rect.left) * run.width / rect.width);
  const y = Math.floor((clientY - rect.top) * run.height / rect.height);
  if (x >= 0 && x < run.width && y >= 0 && y < run.height) run.events.push([CLICK_EVENT, x, y]);
}

function clicked(event) {
  if (event.button === 0) clickAt(event.clientX, event.clientY);
}

// Frame pixels per CSS pixel and the cell pitch, for a drag; null while no viewer runs.
function dragScale() {
  if (run === null) return null;
  const framePixelsPerCss = run.width / elements.screen.getBoundingClientRect().width;
  return { framePixelsPerCss, pitch: run.exports.cellPitch() };
}

// The mode a readable link names, over ?mode=.
function takeLinkedMode() {
  const place = readPlace(location.hash);
  if (place !== null && place.mode !== null) elements.mode.value = place.mode;
}

function setUp() {
  const params = new URLSearchParams(location.search);
  for (const [name, width, height] of VIEWER_MODES) {
    elements.mode.add(new Option(`${width} × ${height}`, name));
  }
  if (VIEWER_MODES.some(([name]) => name === params.get("mode"))) {
    elements.mode.value = params.get("mode");
  }
  takeLinkedMode();
  // Another mode shows the same place: the link names it, and the new viewer replays it.
  elements.mode.addEventListener("change", () => {
    const place = readPlace(location.hash) || readPlace("");
    place.mode = elements.mode.value;
    params.set("mode", place.mode);
    history.replaceState(null, "", `?${params}${placeFragment(place)}`);
    elements.mode.blur();
    startViewer();
  });
  // A link edited in the address bar, or followed within the page.
  window.addEventListener("hashchange", () => {
    takeLinkedMode();
    startViewer();
  });
  elements.folder.addEventListener("change", async () => {
    source = await localFolder(chosenFiles(elements.folder.files));
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
    source = await localFolder(found);
    elements.source.textContent = name;
    startViewer();
  });
  document.addEventListener("keydown", typedCharacter);
  elements.screen.addEventListener("mousedown", clicked);
  watchTouch(elements.stage, { scale: dragScale, type: typeCharacter, click: clickAt });
  elements.previous.addEventListener("click", () => typeCharacter("q"));
  elements.next.addEventListener("click", () => typeCharacter("e"));
  window.addEventListener("resize", fitScreen);
  new ResizeObserver(fitScreen).observe(elements.stage);
  watchPixelRatio();
  // The module first, so that its fetch starts with the data's.
  moduleFor(elements.mode.value);
  const data = params.get("data");
  if (data !== null) {
    const folder = data.endsWith("/") ? data : `${data}/`;
    source = fetchFolder(folder, false);
    elements.source.textContent = folder;
  } else {
    source = fetchFolder(BUNDLED_WORLD, true);
    // A folder is dropped with a mouse, not a finger.
    const touchOnly = matchMedia("(any-pointer: coarse)").matches &&
      !matchMedia("(any-pointer: fine)").matches;
    elements.source.textContent = touchOnly ? "the demo world" :
      "the demo world, or drop a folder on the page";
  }
  startViewer();
}

setUp();
