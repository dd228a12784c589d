#!/usr/bin/python3
"""Measures `rotopal-cli import` against ImageMagick in one run and reports each goal.

  /usr/bin/python3 bench/import_bench.py [BUILD_FOLDER] [--cli PATH] [--repeat N]
                                          [--quick] [--check]

Quality: every photograph found is first resized by ImageMagick to an exact 320x400
true-colour reference (`-resize 320x400!`), so that both sides start from the same pixels
and only the colour reduction is compared. Ours reduces the reference to 236 colours with
`--fit stretch --bar 0 --range 20 --dither 0` (a 320x400 picture under stretch maps 1:1);
ImageMagick with `+dither -colors 236`. The PSNR of each against the reference is taken
over the RGB samples; the goal is ours at least 1 dB above ImageMagick on every photo.
Before that, a 320x400 pattern of random per-pixel colours checks that the import really
maps such a picture 1:1 (a resampling or a shift would show as pixels of the wrong colour).

Speed: a 1152x864 (1 MP) and a 6000x4000 (24 MP) JPEG, made once from the largest photo and
kept in the temporary folder, are each imported and, interleaved with it, shrunk and reduced
by `convert -define jpeg:size=640x800 IN -resize 320x400 +dither -colors 236 BMP3:OUT`, like
against like:
ours with `--dither 0` against ImageMagick's `+dither`, then ours with its default error
diffusion against ImageMagick's `-dither FloydSteinberg`. Every import starts its decoder
program, so its start is part of the time. Reported are the medians of the wall times, their
ratio and the median of the ratios of the back-to-back pairs, which is what the goal (ours no
slower, in both) is judged on, and the peak resident memory of the imports.

Memory: the peak of importing each of a list of ordinary pictures (a 12 MP phone HEIC, a
50 MP camera JPEG, a 24 MP progressive JPEG, RGBA PNG screenshots, a 16-bit 48 MP PNG, a
BMP), all of which must import, those decoded a few rows at a time under 100 MiB; and the
peak at 12 and 48 MP of each kind a decoder holds whole. Then the 24 MP JPEG under ulimit -v
from 100 to 400 MB: each import must end in a screen or say it lacks memory.

Preview: how long the window's import dialog takes to show a change, from
BUILD/bench/import_preview_bench on the large JPEG and on a 640x480 PNG: the picture is
decoded once, as the dialog does when it opens, then the screen is made again with other
options, as the dialog does once the options have rested for 200 ms.

Goals are reported, not enforced; --check makes the exit status 1 when any is missed.
--quick (the smoke test) uses one photo, or a made-up picture when none is installed, a
small "big" picture and one repetition: it shows that the script runs, its figures mean
nothing.

Needs python3-numpy, python3-pil, imagemagick and time (run as /usr/bin/python3,
/usr/bin/convert and /usr/bin/time, not whatever is earlier in PATH); the photographs come
from the Debian packages python-matplotlib-data and plasma-workspace-wallpapers.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

try:
    import numpy as np
    from PIL import Image
except ImportError as error:
    sys.exit(f"{error}: apt-get install python3-numpy python3-pil, and run with /usr/bin/python3")

CONVERT = "/usr/bin/convert"
TIME = "/usr/bin/time"
WIDTH, HEIGHT = 320, 400
RANGE = 20
COLOURS = 256 - RANGE
PSNR_MARGIN_DB = 1.0
PEAK_GOAL_KIB = 100 * 1024
BIG_SIZE = "6000x4000"
SMALL_SIZE = "1152x864"  # 1 MP
PREVIEW_REST_MS = 200
QUICK_BIG_SIZE = "1200x800"

WALLPAPERS = Path("/usr/share/wallpapers")
# (name, Debian package, file or a wallpaper's folder of sizes)
PHOTOS = [
    ("grace_hopper", "python-matplotlib-data",
     Path("/usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg")),
    ("FallenLeaf", "plasma-workspace-wallpapers", WALLPAPERS / "FallenLeaf"),
    ("Path", "plasma-workspace-wallpapers", WALLPAPERS / "Path"),
    ("EveningGlow", "plasma-workspace-wallpapers", WALLPAPERS / "EveningGlow"),
    ("ColorfulCups", "plasma-workspace-wallpapers", WALLPAPERS / "ColorfulCups"),
    ("BytheWater", "plasma-workspace-wallpapers", WALLPAPERS / "BytheWater"),
]


def pixel_count(path):
    width, _, height = path.stem.partition("x")
    return int(width) * int(height) if width.isdigit() and height.isdigit() else 0


def locate(entry):
    """The photo's file: a wallpaper ships several sizes as WIDTHxHEIGHT.jpg, take the largest."""
    if entry.is_file():
        return entry
    sizes = sorted((entry / "contents" / "images").glob("*.jpg"), key=pixel_count)
    return sizes[-1] if sizes else None


def find_photos():
    found, missing = [], set()
    for name, package, entry in PHOTOS:
        path = locate(entry)
        if path:
            found.append((name, package, path))
        else:
            missing.add(package)
    return found, sorted(missing)


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        sys.exit(f"failed ({result.returncode}): {' '.join(map(str, command))}\n{result.stderr}")
    return result


def timed(command, work):
    """Runs a command and returns its wall time, CPU time and peak resident KiB.

    The peak comes from GNU time rather than this process's wait4: Linux carries the peak
    of the forking process over to its child across exec, so wait4 would report this
    script's own, numpy-sized, peak for every child."""
    report = work / "time.txt"
    start = time.perf_counter()
    child = subprocess.Popen([TIME, "-f", "%M", "-o", report] + command,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    stderr = child.stderr.read()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {' '.join(map(str, command))}\n{stderr.decode(errors='replace')}")
    return wall, usage.ru_utime + usage.ru_stime, int(report.read_text().split()[-1])


def rgb(path):
    with Image.open(path) as picture:
        return np.asarray(picture.convert("RGB"), dtype=np.float64)


def psnr(picture, reference):
    mse = np.mean((rgb(picture) - rgb(reference)) ** 2)
    return float("inf") if mse == 0 else 10 * np.log10(255.0 ** 2 / mse)


def import_exact(cli, picture, out):
    run([cli, "import", picture, out, "--fit", "stretch", "--bar", "0", "--range", str(RANGE),
         "--dither", "0"])
    with Image.open(out) as screen:
        if screen.size != (WIDTH, HEIGHT) or screen.mode != "P":
            sys.exit(f"{out}: a {screen.mode} picture of {screen.size}, not 8-bit {WIDTH}x{HEIGHT}")
        indices = np.asarray(screen)
    if indices.max() >= COLOURS:
        print(f"note: {out.name} uses entry {indices.max()}, above the {COLOURS} of the picture")
    return len(np.unique(indices))


def check_one_to_one(cli, work):
    """Ours on random per-pixel colours: every pixel must come back nearest its own colour."""
    rng = np.random.default_rng(1)
    colours = rng.integers(0, 256, size=(16, 3))
    labels = rng.integers(0, len(colours), size=(HEIGHT, WIDTH))
    pattern = work / "pattern.png"
    Image.fromarray(colours[labels].astype(np.uint8), "RGB").save(pattern)
    out = work / "pattern.bmp"
    import_exact(cli, pattern, out)
    got = rgb(out)
    nearest = np.argmin(((got[:, :, None, :] - colours[None, None]) ** 2).sum(axis=3), axis=2)
    wrong = int((nearest != labels).sum())
    print(f"1:1 mapping of a 320x400 picture under stretch: "
          f"{'ok' if wrong == 0 else f'NOT 1:1, {wrong} of {WIDTH * HEIGHT} pixels off'}")
    if wrong:
        print("  so ours below is resampled as well as reduced; its PSNR is not the reduction's "
              "alone")
    return wrong == 0


def quality(cli, photos, work):
    print(f"\nQuality: PSNR against the {WIDTH}x{HEIGHT} reference, dB, {COLOURS} colours, "
          "no dither")
    print(f"{'photo':14} {'package':28} {'ours':>6} {'IM':>6} {'diff':>6} {'colours':>9}  goal")
    met = True
    for name, package, path in photos:
        reference = work / f"{name}-ref.png"
        # PNG24 keeps the reference true colour even where the photo is grey or has few colours.
        run([CONVERT, path, "-resize", f"{WIDTH}x{HEIGHT}!", f"PNG24:{reference}"])
        ours = work / f"{name}-ours.bmp"
        ours_colours = import_exact(cli, reference, ours)
        theirs = work / f"{name}-im.bmp"
        run([CONVERT, reference, "+dither", "-colors", str(COLOURS), "-type", "Palette",
             f"BMP3:{theirs}"])
        their_colours = len(np.unique(rgb(theirs).reshape(-1, 3), axis=0))
        ours_db, their_db = psnr(ours, reference), psnr(theirs, reference)
        ok = ours_db - their_db >= PSNR_MARGIN_DB
        met &= ok
        print(f"{name:14} {package:28} {ours_db:6.2f} {their_db:6.2f} {ours_db - their_db:+6.2f} "
              f"{ours_colours:>4}/{their_colours:<4} >= +{PSNR_MARGIN_DB:.1f} "
              f"{'ok' if ok else 'MISSED'}")
    return met


def big_picture(photos, size, cache):
    """The large JPEG, kept between runs: making it takes longer than the whole measurement."""
    name, _, source = max(photos, key=lambda photo: photo[2].stat().st_size)
    big = cache / f"{name}-{size}.jpg"
    if not big.exists():
        cache.mkdir(parents=True, exist_ok=True)
        partial = big.with_suffix(".partial.jpg")
        run([CONVERT, source, "-resize", f"{size}!", "-quality", "90", partial])
        partial.rename(big)
    return big


def interleaved(ours, theirs, work, repeat):
    """Times the two commands in alternating order and returns both sides' runs."""
    # One untimed run each, so that neither pays for bringing the file into the page cache.
    timed(ours, work)
    timed(theirs, work)
    ours_runs, their_runs = [], []
    for round_ in range(repeat):
        # Alternating which goes first keeps a drift in the machine's speed off one side.
        if round_ % 2 == 0:
            ours_runs.append(timed(ours, work))
            their_runs.append(timed(theirs, work))
        else:
            their_runs.append(timed(theirs, work))
            ours_runs.append(timed(ours, work))
    return ours_runs, their_runs


def speed(cli, big, work, repeat):
    """Like against like: without dithering on both sides, then with error diffusion on both
    (ours by default, ImageMagick's Floyd-Steinberg)."""
    print(f"\nSpeed: {big.name} ({big.stat().st_size / 2 ** 20:.1f} MiB) to a screen, "
          f"median of {repeat}, interleaved")
    print(f"{'':34} {'wall':>8} {'cpu':>8} {'peak RSS':>10}")
    met = True
    peak = 0
    for label, our_options, their_dither in (
            ("no dithering", ["--dither", "0"], ["+dither"]),
            ("error diffusion", [], ["-dither", "FloydSteinberg"])):
        ours = [cli, "import", big, work / "out.sys"] + our_options
        # The command the goal names: the picture fitted inside 320 x 400 in its proportions.
        theirs = [CONVERT, "-define", "jpeg:size=640x800", big, "-resize", f"{WIDTH}x{HEIGHT}"]
        theirs += their_dither + ["-colors", str(COLOURS), f"BMP3:{work / 'out.bmp'}"]
        ours_runs, their_runs = interleaved(ours, theirs, work, repeat)
        for side, runs in (("rotopal-cli", ours_runs), ("convert", their_runs)):
            print(f"{side + ', ' + label:34} {statistics.median(r[0] for r in runs):7.3f}s "
                  f"{statistics.median(r[1] for r in runs):7.3f}s "
                  f"{max(r[2] for r in runs) / 1024:7.1f}MiB")
        medians = (statistics.median(r[0] for r in ours_runs) /
                   statistics.median(r[0] for r in their_runs))
        paired = statistics.median(a[0] / b[0] for a, b in zip(ours_runs, their_runs))
        ok = paired <= 1.0
        met &= ok
        peak = max(peak, max(r[2] for r in ours_runs))
        print(f"  ratio ours/convert, {label}: {medians:.2f}x of the medians, {paired:.2f}x "
              f"paired; goal <= 1.00x {'ok' if ok else 'MISSED'}")
    peak_ok = peak < PEAK_GOAL_KIB
    print(f"peak resident memory of the import: {peak / 1024:.1f} MiB; goal < "
          f"{PEAK_GOAL_KIB // 1024} MiB {'ok' if peak_ok else 'MISSED'}")
    return met and peak_ok


# Pictures people have, as the decoder meets them: (name, size, ImageMagick's options, ending).
ORDINARY_PICTURES = [
    ("phone HEIC 12 MP", "4032x3024", [], "heic"),
    ("camera JPEG 50.3 MP", "8688x5792", [], "jpg"),
    ("progressive JPEG 24 MP", "6000x4000", ["-interlace", "JPEG"], "jpg"),
    ("RGBA PNG screenshot 2400x300", "2400x300", ["-alpha", "set", "-channel", "A",
                                                 "-evaluate", "set", "80%", "+channel"], "png"),
    ("RGBA PNG 3840x2160", "3840x2160", ["-alpha", "set"], "png"),
    ("16-bit PNG 8000x6000", "8000x6000", ["-depth", "16"], "png"),
    ("BMP 2560x1440", "2560x1440", [], "bmp"),
]
# The kinds a decoder holds whole, at 12 and 48 MP.
WHOLE_PICTURE_KINDS = [
    ("progressive JPEG", ["-interlace", "JPEG"], "jpg"),
    ("interlaced PNG", ["-interlace", "PNG"], "png"),
    ("GIF", [], "gif"),
    ("lossless WebP", ["-define", "webp:lossless=true"], "webp"),
    ("HEIF", [], "heic"),
]
# The kinds decoded a few rows at a time must stay under the goal, helper and program together.
STREAMED = ("JPEG 50", "PNG", "BMP")


def made(source, size, options, extension, cache, name):
    """A picture of the size and kind, kept between runs like the large JPEG."""
    picture = cache / f"{name.replace(' ', '-')}-{size}.{extension}"
    if not picture.exists():
        partial = picture.with_name("partial-" + picture.name)
        run([CONVERT, source, "-resize", f"{size}!"] + options + [partial])
        partial.rename(picture)
    return picture


def peak_of(cli, picture, work):
    """The import's peak resident KiB: the larger of rotopal-cli and its decoder, as GNU time
    reports a process and the children it waited for."""
    report = work / "time.txt"
    result = subprocess.run([TIME, "-f", "%M", "-o", report, cli, "import", picture,
                             work / "out.sys"], capture_output=True, text=True)
    return result.returncode, int(report.read_text().split()[-1]), result.stderr.strip()


def peaks(cli, source, work, cache):
    print("\nMemory: the peak of each import, the larger of rotopal-cli and its decoder "
          "(rotopal-cli alone stays near 4 MiB)")
    met = True
    for name, size, options, extension in ORDINARY_PICTURES:
        code, peak, said = peak_of(cli, made(source, size, options, extension, cache, name), work)
        streamed = any(kind in name for kind in STREAMED) and "progressive" not in name
        ok = code == 0 and (not streamed or peak < PEAK_GOAL_KIB)
        met &= ok
        print(f"{name:30} {'imported' if code == 0 else 'REFUSED: ' + said:10} "
              f"{peak / 1024:7.1f} MiB{'  goal < 100 MiB' if streamed else ''} "
              f"{'ok' if ok else 'MISSED'}")
    for kind, options, extension in WHOLE_PICTURE_KINDS:
        figures = []
        for size in ("4000x3000", "8000x6000"):
            code, peak, said = peak_of(cli, made(source, size, options, extension, cache, kind), work)
            met &= code == 0
            figures.append(f"{peak / 1024:6.1f} MiB" if code == 0 else "REFUSED " + said)
        print(f"{kind + ', held whole':30} 12 MP {figures[0]}, 48 MP {figures[1]}")
    return met


def allowance(cli, big, work):
    """Under ever tighter ulimit -v, every import ends in a screen or says it lacks memory:
    never a signal, never another reason."""
    print("\nUnder ulimit -v (MB): the 24 MP JPEG's outcome")
    met = True
    outcomes = []
    for megabytes in range(100, 401, 25):
        result = subprocess.run(["sh", "-c", f"ulimit -v {megabytes * 1024}; exec \"$0\" \"$@\"",
                                 cli, "import", big, work / "out.sys"], capture_output=True,
                                text=True)
        ok = result.returncode == 0 or (result.returncode == 1 and "memory" in result.stderr)
        met &= ok
        outcomes.append(f"{megabytes}:{'ok' if result.returncode == 0 else 'memory' if ok else 'MISSED ' + str(result.returncode)}")
    print("  " + " ".join(outcomes))
    return met


def preview(bench, pictures):
    """The dialog's decode on opening and its remake after a change, per picture."""
    if not bench.exists():
        print(f"\nPreview: {bench} not built, skipped")
        return
    result = run([bench, "--benchmark_format=json"] + [str(p) for p in pictures])
    times = {b["name"].split("/")[0] + "/" + b["name"].split("/")[1]: b["real_time"]
             for b in json.loads(result.stdout)["benchmarks"]}
    print(f"\nPreview in the import dialog (ms; a change shows {PREVIEW_REST_MS} ms after the "
          "options rest, plus the remake)")
    print(f"{'picture':28} {'decode once':>12} {'remake':>8} {'change to preview':>18}")
    for picture in pictures:
        decode, remake = times[f"Decode/{picture.name}"], times[f"Remake/{picture.name}"]
        print(f"{picture.name:28} {decode:12.1f} {remake:8.1f} {PREVIEW_REST_MS + remake:18.1f}")


def made_up_photo(work):
    """For the smoke test on a machine without the photo packages: a fixed plasma picture."""
    path = work / "plasma.png"
    run([CONVERT, "-seed", "1", "-size", "640x480", "plasma:", path])
    return [("plasma", "(made up)", path)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", type=Path,
                        default=Path(__file__).resolve().parent.parent / "build")
    parser.add_argument("--cli", type=Path, help="rotopal-cli (default BUILD/cli/rotopal-cli)")
    parser.add_argument("--repeat", type=int, default=7, help="timed rounds (default 7)")
    parser.add_argument("--quick", action="store_true", help="smoke test: one small round")
    parser.add_argument("--check", action="store_true", help="exit 1 when a goal is missed")
    args = parser.parse_args()

    cli = (args.cli or args.build / "cli" / "rotopal-cli").resolve()
    if not cli.exists():
        sys.exit(f"{cli} not found: build it with cmake --build {args.build} --target rotopal-cli")
    for tool, package in ((CONVERT, "imagemagick"), (TIME, "time")):
        if not Path(tool).exists():
            sys.exit(f"{tool} not found: apt-get install {package}")
    photos, missing = find_photos()
    if missing:
        print(f"photos missing: apt-get install {' '.join(missing)}")
    if not args.quick and len(photos) < 3:
        sys.exit("need at least three photographs")

    with tempfile.TemporaryDirectory(prefix="rotopal-import-bench-") as folder:
        work = Path(folder)
        if args.quick:
            photos = photos[:1] or made_up_photo(work)
        cache = Path(tempfile.gettempdir()) / "rotopal-import-bench"
        big = big_picture(photos, QUICK_BIG_SIZE if args.quick else BIG_SIZE,
                          work if args.quick else cache)
        met = check_one_to_one(cli, work)
        met &= quality(cli, photos, work)
        small_photo = big_picture(photos, SMALL_SIZE, work if args.quick else cache)
        met &= speed(cli, small_photo, work, 1 if args.quick else args.repeat)
        met &= speed(cli, big, work, 1 if args.quick else args.repeat)
        if not args.quick:
            met &= peaks(cli, big, work, cache)
            met &= allowance(cli, big, work)
        small = work / "picture-640x480.png"
        run([CONVERT, photos[0][2], "-resize", "640x480!", small])
        preview(cli.parent.parent / "bench" / "import_preview_bench", [big, small])
    print(f"\n{'all goals met' if met else 'some goals MISSED'}")
    return 1 if args.check and not met else 0


if __name__ == "__main__":
    sys.exit(main())
