#!/usr/bin/python3
"""Checks the screens rotopal-cli import makes against Pillow and ImageMagick.

  check_import.py ROTOPAL_CLI OUT_FOLDER

Pictures written by Pillow in several kinds are imported; both decoders must read each result
as a 320 x 400 palette image with the same pixels, the band rows must use exactly the animated
entries and the rest of the picture none of them, and biClrImportant (read from the raw bytes,
since decoders rewrite it) must be 256 - range. A cut-short picture must be refused with exit
status 1 and leave an existing output file as it was.
"""

import struct
import subprocess
import sys
from pathlib import Path

from PIL import Image

CONVERT = "/usr/bin/convert"

# (name, suffix, Pillow mode, options, range, band rows)
CASES = [
    ("png_defaults", ".png", "RGB", [], 20, 8),
    ("jpeg_cover", ".jpg", "RGB", ["--fit", "cover", "--range", "40", "--bar", "12"], 40, 12),
    ("alpha_no_band", ".png", "RGBA", ["--bar", "0", "--background", "#203040"], 20, 0),
    ("gif_stretch", ".gif", "P", ["--fit", "stretch", "--range", "5", "--dither", "0"], 5, 8),
    ("webp_colours", ".webp", "RGB", ["--bar-colours", "#ff0000,#0000ff"], 20, 8),
    ("bmp24", ".bmp", "RGB", [], 20, 8),
]


def make_picture(path, mode):
    picture = Image.new("RGBA", (800, 500))
    picture.putdata([(x * 255 // 799, y * 255 // 499, (x + 2 * y) % 256, 255 if x > 100 else 0)
                     for y in range(500) for x in range(800)])
    if mode == "P":
        picture = picture.convert("RGB").quantize(64)
    elif mode != "RGBA":
        picture = picture.convert(mode)
    picture.save(path)


def check(cli, folder, case):
    name, suffix, mode, options, range_, band = case
    picture, screen = folder / (name + suffix), folder / (name + ".sys")
    make_picture(picture, mode)
    subprocess.run([cli, "import", picture, screen, *options], check=True, capture_output=True)

    raw = screen.read_bytes()
    assert struct.unpack_from("<I", raw, 14 + 36)[0] == 256 - range_, name + ": biClrImportant"
    image = Image.open(screen)
    assert image.format == "BMP" and image.mode == "P" and image.size == (320, 400), name
    ours = list(image.getdata())  # top row first
    first = 256 - range_
    for y in range(400):
        row = ours[y * 320:(y + 1) * 320]
        if y >= 400 - band:
            run = 320 // range_
            left = (320 - run * range_) // 2
            assert row[left:left + run * range_] == [first + (x // run) for x in range(run * range_)], \
                f"{name}: band row {y}"
        else:
            assert max(row) < first, f"{name}: picture row {y} uses an animated entry"

    # ImageMagick must see the same colours at every pixel.
    theirs = subprocess.run([CONVERT, "BMP:" + str(screen), "-depth", "8", "RGB:-"], check=True,
                            capture_output=True).stdout
    assert theirs == image.convert("RGB").tobytes(), name + ": ImageMagick differs from Pillow"


def main():
    cli, folder = sys.argv[1], Path(sys.argv[2])
    folder.mkdir(parents=True, exist_ok=True)
    for case in CASES:
        check(cli, folder, case)

    # A cut-short picture is refused and the existing output stays.
    whole = (folder / "png_defaults.png").read_bytes()
    cut, kept = folder / "cut.png", folder / "png_defaults.sys"
    cut.write_bytes(whole[:len(whole) // 2])
    before = kept.read_bytes()
    result = subprocess.run([cli, "import", cut, kept], capture_output=True, text=True)
    assert result.returncode == 1 and "cut.png" in result.stderr, result
    assert kept.read_bytes() == before, "a refused import changed the output file"
    print(f"{len(CASES)} pictures imported and read back alike by Pillow and ImageMagick")


if __name__ == "__main__":
    main()
