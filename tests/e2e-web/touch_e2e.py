#!/usr/bin/env python3
"""End to end: the page on an emulated phone, by touch, against tileview-export's frames: the
layout, a drag, a tap, the segment buttons, the address, and that address opened afresh."""

import json
import sys

from harness.browser import browsing, web_test_parser
from harness.core import check, main
from harness.world import MODES, PITCH, Exporter
from web_e2e import check_scaled, serve_root

MODE = "1024"
DRAG = [(150, 80), (-80, 130)]  # frame pixels from where the finger lands: net d, w, w
TAP = (5 * PITCH + 20, 3 * PITCH + 10)
HEADER_LINES = """Array.from(document.querySelectorAll('#bar, #bar *'), (e) => [...e.childNodes])
    .flat().filter((n) => n.nodeType === Node.TEXT_NODE).map((n) => {
        const r = document.createRange(); r.selectNodeContents(n);
        return [n.textContent, new Set(Array.from(r.getClientRects(), (q) => q.top)).size]; })"""


def phone(page, width, height):
    page.command("Emulation.setTouchEmulationEnabled", {"enabled": True}, session=True)
    page.command("Emulation.setDeviceMetricsOverride", {"width": width, "height": height,
                 "deviceScaleFactor": 3, "mobile": True}, session=True)
    if page.status():
        check_scaled(page, MODES[MODE])
        wrapped = [text for text, lines in page.evaluate(HEADER_LINES) if lines > 1]
        check(not wrapped, f"{width} x {height}: header texts on several lines: {wrapped}")
    return page


def touch(page, element, start=None, path=()):
    """A finger on the canvas's frame pixel start, or element's centre, moved by path, lifted."""
    x, y, scale = page.evaluate(f"""(() => {{
        const e = document.getElementById('{element}'), r = e.getBoundingClientRect();
        const s = r.width / (e.width || r.width), [x, y] = {json.dumps(start)} || [-1, -1];
        return x < 0 ? [r.left + r.width / 2, r.top + r.height / 2, s]
                     : [r.left + (x + 0.5) * s, r.top + (y + 0.5) * s, s]; }})()""")
    for kind, (dx, dy) in zip(["touchStart"] + ["touchMove"] * len(path), [(0, 0), *path]):
        page.command("Input.dispatchTouchEvent", {"type": kind, "touchPoints": [
            {"x": x + dx * scale, "y": y + dy * scale}]}, session=True)
    page.command("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []},
                 session=True)


def run():
    args = web_test_parser().parse_args()
    expected = Exporter(args.export, args.world, MODE, args.out)
    with browsing(serve_root(args.out, args.site, {"plain": args.world})) as (browser, page):
        phone(page, 390, 844).start(f"{browser.base}index.html?mode={MODE}")
        phone(page, 390, 844)  # now that it runs: the layout
        entries = page.evaluate("history.length")
        buttons = page.evaluate("""[...document.querySelectorAll('.segments button')].map((b) =>
            !!b.ariaLabel && b.offsetWidth >= 44 && b.offsetHeight >= 44 && b.tabIndex === 0)""")
        check(buttons == [True, True] and "tap" in page.evaluate("document.body.innerText"),
              f"segment buttons not labelled, 44 px and tabbable: {buttons}, or no touch hint")
        touch(page, "screen", (512, 384), DRAG)
        page.wait_frame(expected.frame("dww"), "the frame after the drag")
        touch(page, "screen", TAP)
        page.wait_frame(expected.frame("dww", TAP), "the frame after the tap")
        touch(page, "next")
        page.wait_frame(expected.frame("dwwe", TAP), "the frame after the next segment")
        touch(page, "next")
        touch(page, "previous")
        page.wait_frame(expected.frame("dwweeq", TAP), "the frame after the previous segment")
        link = page.evaluate("location.hash")
        check(link == f"#mode={MODE}&seg=seg001&x=1&y=-2" and
              page.evaluate("history.length") == entries, f"the address says {link}")
        phone(page, 844, 390)
        for url, keys in ((f"?data=plain/{link}", "dwweeq"), ("#seg=seg001&x=1&x=2", "")):
            fresh = phone(browser.page(), 390, 844)
            fresh.start(f"{browser.base}index.html{url}")
            fresh.wait_frame(expected.frame(keys), f"the frame at {url}")
            fresh.check_no_problems(url)
        page.check_no_problems("on the phone")


if __name__ == "__main__":
    sys.exit(main(run))
