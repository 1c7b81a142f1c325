#!/usr/bin/env python3
"""End to end: the web page in headless Chromium, served on localhost.

--tour MODE: the site as built, opened with no data folder named: its compressed demo world, in
that mode. Every step waits for the frame tileview-export composes for the same input (from the
plain world, --world), read from the canvas pixel for pixel, overlay included: the first frame,
a segment step whose file is held back on the way (it waits, showing the download, and so does
the key after it), scrolls each way and back, down to the last rows drawn, both segment steps,
capitals (each followed by a key that does something, so that a capital taken for its small
letter shows), then two clicks.
The canvas is checked at the largest whole scale that fits, also at 1.5 device pixels per CSS
pixel, and scaled down in a window smaller than the mode.

--bad-input: tileview-640's page in each folder of harness/bad_inputs.py: no exception and no
error in the console; a missing terrain.db shows the page's message and no canvas; elsewhere
the first frame, and the frame after a burst of keys and a click, equal the export's where the
export takes the folder; where it does not (the native viewer loads no sheet, or the shown
segment cannot be opened), no tile shows, before the input and after it.

DRAVIK_WEB_SLOW_MS delays every pass of the page's loop by that much (the proof that the test
waits for states, not for time).
"""

import os
import shutil
import sys

from harness import bad_inputs
from harness.browser import browsing, web_test_parser
from harness.core import Failure, check, main, wait_until
from harness.world import MODES, PITCH, SEGMENT_FILES, Exporter, require_world

# "s" * 80 brings the last rows a frame draws into view: the site holds each segment only that far.
TOUR = ["a", "d", "w", "s", "aaww", "ddss", "s" * 80, "Ae", "e", "Dq", "Wq", "SEe", "Qd"]
CLICKS = [(5 * PITCH + 20, 3 * PITCH + 10), (2, 300)]
BURST = "adwseqADWSEQ xz19" * 4 + "ddss"
BAD_CLICK = (3 * PITCH + 7, 2 * PITCH + 30)
MISSING_TEXT = "Cannot open terrain.db."
HELD = SEGMENT_FILES[1]  # the segment 'e' steps to from the first
WINDOWS = [(1600, 1200, 1.5), (700, 500, 1)]  # CSS pixels and device pixels per CSS pixel


def serve_root(out, site, folders):
    """A folder to serve: the site's files, and each of folders by its name."""
    root = os.path.join(out, "root")
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    for name in os.listdir(site):
        os.symlink(os.path.abspath(os.path.join(site, name)), os.path.join(root, name))
    for name, path in folders.items():
        os.symlink(os.path.abspath(path), os.path.join(root, name))
    return root


def open_page(browser, page, mode, data=None):
    """The page in mode, on data/ (plain files) or, without it, on the site's own world."""
    return page.start(f"{browser.base}index.html?mode={mode}" + (f"&data={data}/" if data else ""))


def check_scaled(page, size):
    """Waits for the canvas at the largest whole factor of size that fits the stage in device
    pixels, or scaled down smoothly to fit where none does; centred on whole device pixels."""
    def placed():
        ratio, stage, box, smooth = page.evaluate("""(() => {
            const rect = (e) => { const r = e.getBoundingClientRect();
                                  return [r.left, r.top, r.width, r.height]; };
            const c = document.getElementById('screen');
            return [devicePixelRatio, rect(c.parentElement), rect(c),
                    getComputedStyle(c).imageRendering === 'auto'];
        })()""")
        # Layout keeps 1/64 CSS pixel; the browser paints on the device pixel nearest.
        edges = [v * ratio for v in (box[0], box[1], box[0] + box[2], box[1] + box[3])]
        if any(abs(edge - round(edge)) > 0.05 for edge in edges):
            return None
        left, top, right, bottom = (round(edge) for edge in edges)
        width, height = right - left, bottom - top
        fit = min(int(stage[2] * ratio) / size[0], int(stage[3] * ratio) / size[1])
        factor = int(fit) if fit >= 1 else fit
        return (width == int(size[0] * factor) and height == int(size[1] * factor)
                and smooth == (fit < 1)
                and abs(left - stage[0] * ratio - (stage[2] * ratio - width) / 2) <= 1
                and abs(top - stage[1] * ratio - (stage[3] * ratio - height) / 2) <= 1) or None
    wait_until(f"the {size[0]} x {size[1]} frame scaled to fit", placed)


def tour(args, browser, page):
    require_world(args.world)
    size = MODES[args.tour]
    expected = Exporter(args.export, args.world, args.tour, args.out)
    page.hold(f"*/world/{HELD}.gz")
    status = open_page(browser, page, args.tour)
    check(status["state"] == "running", f"the demo world did not start: {status}")
    page.wait_frame(expected.frame(), "the first frame", os.path.join(args.out, "first.png"))
    check_scaled(page, size)
    typed = "ea"
    page.type(typed)
    wait_until(f"the step to wait for {HELD}",
               lambda: page.status()["waitingFor"] == HELD or None)
    progress = page.evaluate("document.getElementById('progress').innerText")
    check(page.status()["frames"] == 1 and "Loading the data: " in progress,
          f"while {HELD} is held: {page.status()}, progress {progress!r}")
    page.release()
    page.wait_frame(expected.frame(typed), f"the frame after {typed!r}, {HELD} come",
                    os.path.join(args.out, "held.png"))
    for step, keys in enumerate(TOUR):
        page.type(keys)
        typed += keys
        page.wait_frame(expected.frame(typed), f"the frame after {typed!r}",
                        os.path.join(args.out, f"step-{step:02d}.png"))
    for number, click in enumerate(CLICKS):
        page.click(*click)
        page.wait_frame(expected.frame(typed, click), f"the frame after {typed!r} and {click}",
                        os.path.join(args.out, f"click-{number}.png"))
    for width, height, ratio in WINDOWS:
        page.command("Emulation.setDeviceMetricsOverride",
                     {"width": width, "height": height, "deviceScaleFactor": ratio,
                      "mobile": False}, session=True)
        check_scaled(page, size)
    page.check_no_problems("the tour")
    print(f"tileview-{args.tour}: a held segment, {len(TOUR)} key steps and {len(CLICKS)} "
          "clicks, every frame the export's; scaled to fit in three windows")


def message_shown(page):
    return page.evaluate("""(() => {
        const m = document.getElementById('message');
        return [m.hidden, m.textContent, document.getElementById('screen').hidden];
    })()""")


def check_uniform(page, what, keep):
    frame = page.canvas()
    if not frame.uniform_outside():
        frame.save(keep)
        raise Failure(f"{what}: tiles shown where the native viewer shows none")


def bad_case(args, browser, page, case):
    out = args.out
    folder = os.path.join(out, "cases", case)
    status = open_page(browser, page, "640", f"cases/{case}")
    if not os.path.exists(os.path.join(folder, "terrain.db")):
        hidden, text, canvas_hidden = message_shown(page)
        check(status["state"] == "message" and not hidden and text.startswith(MISSING_TEXT)
              and canvas_hidden, f"{case}: no message for the missing terrain.db: {status}")
        page.check_no_problems(case)
        return "the message"
    check(status["state"] == "running", f"{case}: the page did not start: {status}")
    expected = Exporter(args.export, folder, "640", os.path.join(out, "expected", case))
    first = expected.frame()
    if first is not None:
        page.wait_frame(first, f"{case}: the first frame", os.path.join(out, f"{case}.png"))
    else:
        # The native viewer shows no tile here: its sheet could not be loaded, or the shown
        # segment could not be opened and the grid is cleared.
        check_uniform(page, f"{case}: the first frame", os.path.join(out, f"{case}.png"))
    frames = page.status()["frames"]
    page.type(BURST)
    page.click(*BAD_CLICK)
    after = expected.frame(BURST, BAD_CLICK)
    if after is not None:
        page.wait_frame(after, f"{case}: the frame after the keys and the click",
                        os.path.join(out, f"{case}-after.png"))
    else:
        wait_until(f"{case}: a frame after the keys and the click",
                   lambda: True if page.status()["frames"] > frames else None)
        check_uniform(page, f"{case}: the frame after the keys and the click",
                      os.path.join(out, f"{case}-after.png"))
    page.check_no_problems(case)
    return "the export's frames" if first is not None else "no tile, as natively"


def bad_input(args, browser, page):
    cases_dir = os.path.join(args.out, "cases")
    shutil.rmtree(cases_dir, ignore_errors=True)
    failures = {}
    for case, (what, changes) in sorted(bad_inputs.all_cases(args.world).items()):
        bad_inputs.write_case(args.world, os.path.join(cases_dir, case), changes)
    for case in sorted(os.listdir(cases_dir)):
        try:
            print(f"{case}: {bad_case(args, browser, page, case)}", flush=True)
        except Failure as failure:
            failures[case] = str(failure)
            print(f"{case}: FAILED {failure}", flush=True)
    check(not failures, f"{len(failures)} folders failed: {', '.join(sorted(failures))}")


def run():
    parser = web_test_parser()
    parser.add_argument("--tour", choices=MODES)
    parser.add_argument("--bad-input", action="store_true")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    cases = os.path.join(args.out, "cases")
    root = serve_root(args.out, args.site, {"cases": cases})
    with browsing(root) as (browser, page):
        if args.tour:
            tour(args, browser, page)
        if args.bad_input:
            bad_input(args, browser, page)


if __name__ == "__main__":
    sys.exit(main(run))
