// Touch (and pen): the map follows the finger a whole cell at a time, each cell one of the
// characters a, d, w and s, and stops when the finger does (no inertia), so the frame after a
// drag is the frame after those keys. A touch that lifts where it landed is a tap: the left
// click at that pixel.
"use strict";

// How far, in CSS pixels, a finger may wander and still tap.
const TAP_SLOP = 10;

// Whole cells dragged along one axis, counted towards zero from where the finger landed.
function cellsDragged(from, to, framePixelsPerCss, pitch) {
  return Math.trunc((to - from) * framePixelsPerCss / pitch);
}

// The characters that take the map from cells already typed to cells: positive moves it right
// or down (forward), negative left or up (back).
function stepCharacters(typed, cells, forward, back) {
  return cells > typed ? forward.repeat(cells - typed) : back.repeat(typed - cells);
}

// stage takes the drags (the canvas and the room around it). viewer: scale() gives the frame
// pixels per CSS pixel and the cell pitch, null while no viewer runs; type(character);
// click(clientX, clientY).
function watchTouch(stage, viewer) {
  let finger = null; // {id, x, y (where it landed), columns, rows, tap}
  stage.addEventListener("pointerdown", (event) => {
    if (event.pointerType === "mouse" || finger !== null || viewer.scale() === null) return;
    event.preventDefault(); // no mouse events after it: a tap is one click, the one made here
    stage.setPointerCapture(event.pointerId);
    finger = { id: event.pointerId, x: event.clientX, y: event.clientY, columns: 0, rows: 0,
      tap: true };
  });
  stage.addEventListener("pointermove", (event) => {
    const scale = viewer.scale();
    if (finger === null || event.pointerId !== finger.id || scale === null) return;
    const columns = cellsDragged(finger.x, event.clientX, scale.framePixelsPerCss, scale.pitch);
    const rows = cellsDragged(finger.y, event.clientY, scale.framePixelsPerCss, scale.pitch);
    const typed = stepCharacters(finger.columns, columns, "a", "d") +
      stepCharacters(finger.rows, rows, "w", "s");
    Array.from(typed).forEach(viewer.type);
    finger.columns = columns;
    finger.rows = rows;
    if (typed !== "" || Math.hypot(event.clientX - finger.x, event.clientY - finger.y) > TAP_SLOP) {
      finger.tap = false;
    }
  });
  stage.addEventListener("pointerup", (event) => {
    if (finger === null || event.pointerId !== finger.id) return;
    if (finger.tap) viewer.click(finger.x, finger.y);
    finger = null;
  });
  stage.addEventListener("pointercancel", (event) => {
    if (finger !== null && event.pointerId === finger.id) finger = null;
  });
}
