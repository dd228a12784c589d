#!/usr/bin/python3
"""Starts the real rotopal on a screen file under an X server and checks what it shows.

  check_window.py ROTOPAL SCREEN_FILE OUT_FOLDER

Run under xvfb-run. The window is found by its size (588 x 437), its title is read with xprop,
and screenshots of the whole screen are taken with ImageMagick's import until both blink
phases have been seen. The view area must equal, pixel for pixel, the screen file as Pillow
decodes it, or the same with the animated entries inverted. The last screenshot is kept in
OUT_FOLDER/window.png.
"""

import re
import subprocess
import sys
import time
from pathlib import Path

from PIL import Image

IMPORT = "/usr/bin/import"
VIEW_ORIGIN = (8 + 2, 8 + 2)  # the view box's position plus its sunken border
VIEW_SIZE = (320, 400)


def find_main_window(deadline):
    while time.monotonic() < deadline:
        tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
        for line in tree.splitlines():
            match = re.match(r"\s*(0x[0-9a-f]+) .*\s588x437\+", line)
            if match:
                info = subprocess.run(["xwininfo", "-id", match.group(1)], capture_output=True,
                                      text=True).stdout
                if "IsViewable" in info:
                    x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
                    y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
                    return match.group(1), (x, y)
        time.sleep(0.2)
    raise SystemExit("the main window did not appear")


def title_of(window):
    out = subprocess.run(["xprop", "-id", window, "_NET_WM_NAME"], capture_output=True).stdout
    match = re.search(rb'= "(.*)"', out)
    return match.group(1).decode("utf-8") if match else None


def expected_views(screen_file, first_animated):
    image = Image.open(screen_file)
    image.load()
    if image.mode == "P":
        palette = image.getpalette()[: 256 * 3]
    else:  # Pillow hands an exactly grey palette back as a grey image
        palette = [v for i in range(256) for v in (i, i, i)]
    palette += [0] * (768 - len(palette))
    inverted = list(palette)
    for index in range(first_animated, 256):
        for channel in range(3):
            inverted[3 * index + channel] = 255 - palette[3 * index + channel]
    views = []
    for table in (palette, inverted):
        indexed = image.convert("P") if image.mode != "P" else image.copy()
        indexed.putpalette(table)
        views.append(indexed.convert("RGB").tobytes())
    return views


def first_animated_index(screen_file):
    data = Path(screen_file).read_bytes()
    return int.from_bytes(data[50:54], "little")  # biClrImportant


def main():
    rotopal, screen_file, out = sys.argv[1], str(Path(sys.argv[2]).resolve()), Path(sys.argv[3])
    out.mkdir(parents=True, exist_ok=True)
    plain, inverted = expected_views(screen_file, first_animated_index(screen_file))
    assert plain != inverted, "the sample must have animated colours in use"

    program = subprocess.Popen([rotopal, screen_file])
    try:
        window, (x, y) = find_main_window(time.monotonic() + 30)
        title = title_of(window)
        if title != "ロトパル-" + screen_file:
            raise SystemExit(f"title is {title!r}")

        seen = set()
        shot = out / "window.png"
        deadline = time.monotonic() + 20
        while seen != {"plain", "inverted"} and time.monotonic() < deadline:
            subprocess.run([IMPORT, "-window", "root", str(shot)], check=True)
            screen = Image.open(shot).convert("RGB")
            left, top = x + VIEW_ORIGIN[0], y + VIEW_ORIGIN[1]
            view = screen.crop((left, top, left + VIEW_SIZE[0], top + VIEW_SIZE[1])).tobytes()
            if view == plain:
                seen.add("plain")
            elif view == inverted:
                seen.add("inverted")
            else:
                raise SystemExit(f"the view shows neither image (screenshot in {shot})")
            time.sleep(0.15)
        if seen != {"plain", "inverted"}:
            raise SystemExit(f"only {sorted(seen)} seen: the view does not blink")
        if program.poll() is not None:
            raise SystemExit(f"rotopal ended with {program.returncode}")
        print(f"window {window} at {x},{y}: title and both blink phases as expected; {shot}")
    finally:
        program.terminate()
        program.wait(timeout=10)


if __name__ == "__main__":
    main()
