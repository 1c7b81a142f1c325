#!/usr/bin/env python3
"""End to end: the page on an emulated phone (390 x 844 CSS pixels at 3 device pixels each,
touch events), against the frames tileview-export composes. In portrait and in landscape the
frame sits at its whole scale and every text of the header is on one line; a drag that turns
back is the frame of its net a/d/w/s keys; a tap is the click at that pixel; the segment
buttons step both ways, by touch and by keyboard; the address follows the view in place; that
address opened in a fresh tab on ?data= shows the frame of the same keys, and an unreadable
fragment the first frame, with no error in the console."""

import argparse
import sys

from harness.browser import browsing
from harness.core import check, main
from harness.world import MODES, PITCH, Exporter, require_world
from web_e2e import check_scaled, serve_root

PORTRAIT, LANDSCAPE = (390, 844), (844, 390)
DRAG = [(150, 80), (-80, 130)]  # frame pixels from where the finger lands: d, then w w
TAP = (5 * PITCH + 20, 3 * PITCH + 10)
HEADER_LINES = """(() => {
    const walk = document.createTreeWalker(document.getElementById('bar'), NodeFilter.SHOW_TEXT);
    const range = document.createRange(), lines = [];
    while (walk.nextNode()) {
        range.selectNodeContents(walk.currentNode);
        const tops = Array.from(range.getClientRects(), (r) => Math.round(r.top));
        lines.push([walk.currentNode.textContent.trim(), new Set(tops).size]);
    }
    return lines;
})()"""


def phone(browser, size):
    page = browser.page()
    page.command("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5},
                 session=True)
    page.command("Emulation.setDeviceMetricsOverride", {"width": size[0], "height": size[1],
                 "deviceScaleFactor": 3, "mobile": True}, session=True)
    return page


def touch(page, path, element="screen", frame_point=(0, 0)):
    """A finger lands on the frame pixel frame_point (or on the element's centre) and goes
    through path, in frame pixels from there, then lifts."""
    left, top, width, height, scale = page.evaluate(f"""(() => {{
        const e = document.getElementById('{element}'), r = e.getBoundingClientRect();
        return [r.left, r.top, r.width, r.height, r.width / (e.width || r.width)]; }})()""")
    x, y = (left + (frame_point[0] + 0.5) * scale, top + (frame_point[1] + 0.5) * scale) \
        if element == "screen" else (left + width / 2, top + height / 2)
    for kind, (dx, dy) in zip(["touchStart"] + ["touchMove"] * len(path), [(0, 0), *path]):
        page.command("Input.dispatchTouchEvent", {"type": kind, "touchPoints": [
            {"x": x + dx * scale, "y": y + dy * scale}]}, session=True)
    page.command("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []},
                 session=True)


def check_layout(page, size, mode):
    check_scaled(page, MODES[mode])
    wrapped = [text for text, lines in page.evaluate(HEADER_LINES) if lines > 1]
    check(not wrapped, f"{size}: header texts on more than one line: {wrapped}")


def run():
    parser = argparse.ArgumentParser()
    for name in ("--site", "--world", "--export", "--out", "--mode"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    require_world(args.world)
    expected = Exporter(args.export, args.world, args.mode, args.out)
    with browsing(serve_root(args.out, args.site, {"plain": args.world})) as (browser, page):
        page = phone(browser, PORTRAIT)
        page.start(f"{browser.base}index.html?mode={args.mode}")
        entries = page.evaluate("history.length")
        check_layout(page, PORTRAIT, args.mode)
        buttons = page.evaluate("""Array.from(document.querySelectorAll('.segments button'),
            (b) => [b.getAttribute('aria-label'), b.offsetWidth, b.offsetHeight, b.tabIndex])""")
        check(all(label and w >= 44 and h >= 44 and tab == 0 for label, w, h, tab in buttons)
              and "tap" in page.evaluate("document.querySelector('.hint').innerText"),
              f"segment buttons {buttons}, or no touch hint")
        touch(page, DRAG, frame_point=(MODES[args.mode][0] // 2, MODES[args.mode][1] // 2))
        page.wait_frame(expected.frame("dww"), "the frame after the drag")
        touch(page, [], frame_point=TAP)
        page.wait_frame(expected.frame("dww", TAP), "the frame after the tap")
        touch(page, [], "next")
        page.wait_frame(expected.frame("dwwe", TAP), "the frame after the next segment")
        page.evaluate("document.getElementById('next').focus()")
        page.command("Input.dispatchKeyEvent", {"type": "keyDown", "key": "Enter", "text": "\r",
                     "windowsVirtualKeyCode": 13}, session=True)
        page.wait_frame(expected.frame("dwwee", TAP), "the frame after Enter on the next button")
        touch(page, [], "previous")
        page.wait_frame(expected.frame("dwweeq", TAP), "the frame after the previous segment")
        link = page.evaluate("location.hash")
        check(link == f"#mode={args.mode}&seg=seg001&x=1&y=-2"
              and page.evaluate("history.length") == entries, f"the address says {link}")
        page.command("Emulation.setDeviceMetricsOverride", {"width": LANDSCAPE[0], "height":
                     LANDSCAPE[1], "deviceScaleFactor": 3, "mobile": True}, session=True)
        check_layout(page, LANDSCAPE, args.mode)
        linked = phone(browser, PORTRAIT)
        linked.start(f"{browser.base}index.html?data=plain/{link}")
        linked.wait_frame(expected.frame("dwweeq"), f"the frame at {link}")
        bad = phone(browser, PORTRAIT)
        bad.start(f"{browser.base}index.html?mode={args.mode}#seg=seg001&x=1&x=2")
        bad.wait_frame(expected.frame(), "the first frame, the fragment unreadable")
        for each in (page, linked, bad):
            each.check_no_problems("on the phone")


if __name__ == "__main__":
    sys.exit(main(run))
