#!/usr/bin/python3
"""Checks rotopal-cli's animated GIFs against Pillow and ImageMagick.

  check_gif.py ROTOPAL_CLI SAMPLE_FOLDER OUT_FOLDER

For each case the GIF and the numbered BMP series are written from the same screen; both
decoders must see as many frames as the series has, the delay and loop count asked for, and
frame k must show exactly the colours of BMP frame k (every other column of it for width 320;
for the 4:3 shape each of its 480 rows the BMP row under its centre, and with a 6-bit DAC every
channel v as round((v >> 2) * 255 / 63)).
"""

import subprocess
import sys
from pathlib import Path

from PIL import Image

CONVERT = "/usr/bin/convert"
IDENTIFY = "/usr/bin/identify"

# (name, screen, extra options, range, width or "4:3", delay ms, loop)
CASES = [
    ("preview_width", "logo.sys", [], 16, 640, 150, 0),
    ("every_step", "logo.sys", ["--delay-ms", "70", "--loop", "3"], 255, 320, 70, 3),
    ("sixteen_colours", "logo16.bmp", ["--convert", "no"], 250, 320, 150, 0),
    ("as_the_machine_shows_it", "logo.sys", ["--dac", "6"], 16, "4:3", 150, 0),
]


def run(*args):
    subprocess.run([str(a) for a in args], check=True, capture_output=True)


def six_bit(v):
    return ((v >> 2) * 255 + 31) // 63


def expected_frames(series_prefix, count, width, dac):
    frames = []
    for k in range(1, count + 1):
        frame = Image.open(f"{series_prefix}{k:03d}.bmp").convert("RGB")
        if width == 320:
            frame = frame.resize((320, 400), Image.NEAREST)
        elif width == "4:3":
            shown = Image.new("RGB", (640, 480))
            for row in range(480):
                source = (2 * row + 1) * 400 // 960
                shown.paste(frame.crop((0, source, 640, source + 1)), (0, row))
            frame = shown
        if dac == 6:
            frame = frame.point(six_bit)
        frames.append(frame.tobytes())
    return frames


def check_pillow(gif, expected, delay, loop):
    image = Image.open(gif)
    assert image.n_frames == len(expected), f"Pillow sees {image.n_frames} frames"
    assert image.info.get("loop") == loop, f"loop {image.info.get('loop')}"
    for k in range(image.n_frames):
        image.seek(k)
        assert image.info["duration"] == delay, f"frame {k + 1}: duration {image.info['duration']}"
        got = image.convert("RGB").tobytes()
        assert got == expected[k], f"Pillow: frame {k + 1} differs from the numbered export"


def check_imagemagick(gif, expected, delay, out):
    delays = subprocess.run([IDENTIFY, "-format", "%T\n", str(gif)], check=True,
                            capture_output=True, text=True).stdout.split()
    assert delays == [str(delay // 10)] * len(expected), f"ImageMagick delays {delays}"
    frames = out / (gif.stem + "-im")
    frames.mkdir(exist_ok=True)
    run(CONVERT, gif, "-coalesce", f"PNG24:{frames}/f%03d.png")
    pngs = sorted(frames.glob("f*.png"))
    assert len(pngs) == len(expected), f"ImageMagick sees {len(pngs)} frames"
    for k, png in enumerate(pngs):
        got = Image.open(png).convert("RGB").tobytes()
        assert got == expected[k], f"ImageMagick: frame {k + 1} differs from the numbered export"


def main():
    cli, samples, out = sys.argv[1], Path(sys.argv[2]), Path(sys.argv[3])
    out.mkdir(parents=True, exist_ok=True)
    for name, screen, extra, n, width, delay, loop in CASES:
        gif = out / f"{name}.gif"
        series = out / f"{name}-frame"
        shape = ["--aspect", "4:3"] if width == "4:3" else ["--width", width]
        run(cli, "gif", samples / screen, gif, "--range", n, *shape, *extra)
        run(cli, "frames", samples / screen, series, "--range", n,
            *[e for e in extra if e in ("--convert", "no", "yes")])
        count = len(list(out.glob(f"{name}-frame*.bmp")))
        expected = expected_frames(series, count, width, 6 if "--dac" in extra else 8)
        check_pillow(gif, expected, delay, loop)
        check_imagemagick(gif, expected, delay, out)
        print(f"{name}: {count} frames, {gif.stat().st_size} bytes, same colours in Pillow and "
              f"ImageMagick as the numbered export")


if __name__ == "__main__":
    main()
