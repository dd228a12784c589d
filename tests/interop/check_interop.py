#!/usr/bin/python3
"""Checks our bitmaps against two independent decoders, Pillow and ImageMagick.

  check_interop.py ours INTEROP_TOOL FOLDER
      every kind of file we write must decode, in both, to our palette and our indices
  check_interop.py theirs INTEROP_TOOL FOLDER
      bitmaps that Pillow and ImageMagick write (40- and 124-byte headers, uncompressed and
      RLE8) must read, with our reader, as the same pixels

Run with Debian's python3 (python3-pil) and ImageMagick's /usr/bin/convert.
"""

import json
import random
import struct
import subprocess
import sys
from pathlib import Path

from PIL import Image

CONVERT = "/usr/bin/convert"


def load_description(prefix):
    meta = json.loads(Path(str(prefix) + ".json").read_text())
    indices = Path(str(prefix) + ".idx").read_bytes()
    assert len(indices) == meta["width"] * meta["height"], prefix
    return meta, indices


def first_difference(expected, actual):
    for offset, (e, a) in enumerate(zip(expected, actual)):
        if e != a:
            return f"first difference at {offset}: expected {e}, got {a}"
    return f"lengths {len(expected)} and {len(actual)}"


def rgb_of(meta, indices):
    palette = meta["palette"]
    return b"".join(bytes(palette[i]) for i in indices)


def imagemagick_rgb(path):
    return subprocess.run([CONVERT, str(path), "-depth", "8", "rgb:-"], check=True,
                          capture_output=True).stdout


def pillow_palette_and_indices(path):
    with Image.open(path) as image:
        image.load()
        if image.mode != "P":
            raise AssertionError(f"{path}: Pillow decodes mode {image.mode}, expected P")
        raw = image.getpalette() or []
        palette = [raw[i:i + 3] for i in range(0, len(raw), 3)]
        return image.size, palette, image.tobytes()


def check_ours(tool, folder):
    subprocess.run([tool, "write", str(folder)], check=True)
    failures = []
    names = sorted(p.stem for p in folder.glob("*.json"))
    for name in names:
        path = folder / name
        meta, indices = load_description(path)
        size, palette, pixels = pillow_palette_and_indices(path)
        if size != (meta["width"], meta["height"]):
            failures.append(f"{name}: Pillow sees size {size}")
        if palette[:meta["colours"]] != meta["palette"]:
            failures.append(f"{name}: Pillow palette differs")
        if pixels != indices:
            failures.append(f"{name}: Pillow indices differ, {first_difference(indices, pixels)}")
        rgb = imagemagick_rgb(path)
        expected = rgb_of(meta, indices)
        if rgb != expected:
            failures.append(f"{name}: ImageMagick pixels differ, {first_difference(expected, rgb)}")
        print(f"{name}: {meta['width']}x{meta['height']}, {meta['colours']} colours: "
              f"{'checked' if not any(f.startswith(name) for f in failures) else 'FAILED'}")
    if len(names) < 6:
        failures.append(f"only {len(names)} files were written")
    return failures


def distinct_palette():
    # Red and blue differ for every entry, so no entry is grey and no two are equal.
    return [[i, (i * 37) & 255, 255 - i] for i in range(256)]


def source_image():
    rng = random.Random(7)
    image = Image.new("P", (320, 400))
    image.putpalette([c for entry in distinct_palette() for c in entry])
    # Noise in the top half, long runs below, so RLE8 gets both literal and encoded runs.
    data = [rng.randrange(256) if y < 200 else (x // 8 + y) % 256
            for y in range(400) for x in range(320)]
    image.putdata(data)
    return image


def header_of(path):
    b = path.read_bytes()
    bi_size, = struct.unpack_from("<I", b, 14)
    compression, = struct.unpack_from("<I", b, 30)
    return bi_size, compression


def check_theirs(tool, folder):
    source = folder / "pillow.bmp"
    image = source_image()
    image.save(source)
    expected_rgb = image.convert("RGB").tobytes()
    variants = {
        "pillow.bmp": None,
        "magick-v3.bmp": ["-compress", "None", "BMP3:"],
        "magick-v5.bmp": ["-compress", "None", "BMP:"],
        "magick-v3-rle8.bmp": ["-compress", "RLE", "BMP3:"],
        "magick-v5-rle8.bmp": ["-compress", "RLE", "BMP:"],
    }
    expected_headers = {"pillow.bmp": (40, 0), "magick-v3.bmp": (40, 0), "magick-v5.bmp": (124, 0),
                        "magick-v3-rle8.bmp": (40, 1), "magick-v5-rle8.bmp": (124, 1)}
    failures = []
    for name, args in variants.items():
        path = folder / name
        if args is not None:
            subprocess.run([CONVERT, str(source)] + args[:-1] + [args[-1] + str(path)], check=True)
        if header_of(path) != expected_headers[name]:
            failures.append(f"{name}: written with header {header_of(path)}, "
                            f"expected {expected_headers[name]}; the test does not cover it")
        prefix = folder / (name + ".ours")
        subprocess.run([tool, "dump", str(path), str(prefix), "yes"], check=True)
        meta, indices = load_description(prefix)
        rgb = rgb_of(meta, indices)
        if rgb != expected_rgb:
            failures.append(f"{name}: our pixels differ, {first_difference(expected_rgb, rgb)}")
        _, _, pillow_indices = pillow_palette_and_indices(path)
        if pillow_indices != indices:
            failures.append(f"{name}: our indices differ from Pillow's, "
                            f"{first_difference(pillow_indices, indices)}")
        print(f"{name}: biSize {header_of(path)[0]}, compression {header_of(path)[1]}: "
              f"{'checked' if not any(f.startswith(name) for f in failures) else 'FAILED'}")
    return failures


def main():
    mode, tool, folder = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    folder.mkdir(parents=True, exist_ok=True)
    failures = check_ours(tool, folder) if mode == "ours" else check_theirs(tool, folder)
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
