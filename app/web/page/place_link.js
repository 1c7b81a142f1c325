// The link to a place: the address's fragment names the mode, the segment and the scroll, as
// in #mode=1024&seg=seg005&x=-3&y=12 (x and y count the cells the view has moved right and
// down from the start: d and s presses less a and w). A place stands for the keys that reach
// it from the start, and opening it replays them, so its frame is the one those keys show.
"use strict";

const PLACE_NAMES = ["mode", "seg", "x", "y"];
// A segment by its file's name without the extension: seg005 for seg005.db.
const SEGMENT_NAMES = SEGMENT_FILES.map((file) => file.replace(/\.[^.]*$/, ""));
// Far past any edge of a 255-cell map, and small enough to replay at once.
const PLACE_CELLS = /^-?[0-9]{1,6}$/;

// The place a fragment names: {mode (null: the page's own), segment, x, y}; the start for no
// fragment, null for one that cannot be read (a name twice or unknown, a value out of range).
function readPlace(fragment) {
  const fields = new URLSearchParams(fragment.replace(/^#/, ""));
  const names = Array.from(fields.keys());
  const place = { mode: null, segment: SEGMENT_NAMES[0], x: 0, y: 0 };
  if (names.some((name, at) => !PLACE_NAMES.includes(name) || names.indexOf(name) !== at)) {
    return null;
  }
  const mode = fields.get("mode");
  const segment = fields.get("seg");
  const x = fields.get("x");
  const y = fields.get("y");
  if (mode !== null) {
    if (!VIEWER_MODES.some(([name]) => name === mode)) return null;
    place.mode = mode;
  }
  if (segment !== null) {
    if (!SEGMENT_NAMES.includes(segment)) return null;
    place.segment = segment;
  }
  for (const [axis, cells] of [["x", x], ["y", y]]) {
    if (cells !== null) {
      if (!PLACE_CELLS.test(cells)) return null;
      place[axis] = Number(cells);
    }
  }
  return place;
}

function placeFragment(place) {
  return `#mode=${place.mode}&seg=${place.segment}&x=${place.x}&y=${place.y}`;
}

// The characters that reach the place from the start: the segment steps the shorter way round,
// then the scroll.
function placeKeys(place) {
  const count = SEGMENT_NAMES.length;
  const index = SEGMENT_NAMES.indexOf(place.segment);
  const steps = index <= count / 2 ? "e".repeat(index) : "q".repeat(count - index);
  const across = place.x >= 0 ? "d".repeat(place.x) : "a".repeat(-place.x);
  const down = place.y >= 0 ? "s".repeat(place.y) : "w".repeat(-place.y);
  return steps + across + down;
}

// The running viewer's place, read from the module.
function placeOf(mode, exports) {
  const pitch = exports.cellPitch();
  const segment = SEGMENT_NAMES[SEGMENT_FILES.indexOf(
    cString(exports.memory, exports.shownSegmentFile()))];
  return { mode, segment, x: -exports.scrollX() / pitch, y: -exports.scrollY() / pitch };
}

// The address follows the view in place: a history entry per key would make Back a step back
// through every scroll.
function showPlace(place) {
  const fragment = placeFragment(place);
  if (location.hash !== fragment) history.replaceState(null, "", fragment);
}
