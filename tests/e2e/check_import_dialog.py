#!/usr/bin/python3
"""The real program under Xvfb, started with --import PICTURE: the import dialog opens with its
preview drawn, Return accepts it, and the main window's title then names the picture.

  check_import_dialog.py ROTOPAL OUTPUT_FOLDER

The dialog, opened while the main window is loaded, must be stacked above it once both are
shown. A screenshot of the dialog stays in OUTPUT_FOLDER/import-dialog.png; the README shows it.
"""

import subprocess
import sys
import time
from pathlib import Path

from PIL import Image
from Xlib import display as xdisplay

from check_window import find_main_window, request_close, screenshot, title_of

CONVERT = "/usr/bin/convert"
DIALOG_TITLE = "画像から起動画面を作成"


def xdotool(*arguments):
    return subprocess.run(["xdotool", *arguments], capture_output=True, text=True).stdout.split()


def wait_for(condition, what, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = condition()
        if found:
            return found
        time.sleep(0.2)
    raise SystemExit(f"{what} did not happen in {seconds} s")


def stacked_above(upper, lower):
    """Whether one top-level window is above another: without a window manager they are the
    root's children, listed bottom to top."""
    order = [child.id for child in xdisplay.Display().screen().root.query_tree().children]
    return order.index(int(upper, 0)) > order.index(int(lower, 0))


def main():
    program, folder = sys.argv[1], Path(sys.argv[2])
    folder.mkdir(parents=True, exist_ok=True)
    picture = folder / "sunset.png"
    # A picture of its own: a fixed plasma between two colours, wider than the screen.
    subprocess.run([CONVERT, "-seed", "7", "-size", "800x450", "plasma:#f08030-#3050c0",
                    str(picture)], check=True)
    child = subprocess.Popen([program, "--import", str(picture)])
    try:
        main_window, _ = find_main_window(time.monotonic() + 30)
        dialog = wait_for(lambda: xdotool("search", "--onlyvisible", "--name", DIALOG_TITLE),
                          "the import dialog's appearing")[0]
        if not stacked_above(dialog, main_window):
            raise SystemExit("the import dialog is hidden under the main window")
        xdotool("windowmove", dialog, "0", "0")

        # The preview is drawn once the picture is decoded and the screen made: its middle is
        # no longer the black it starts as.
        def preview_drawn():
            shot = screenshot(folder / "import-dialog.png")
            middle = shot.crop((500, 150, 900, 350)).convert("L")
            return max(middle.getdata()) > 40
        wait_for(preview_drawn, "the preview's drawing", seconds=60)
        size = xdotool("getwindowgeometry", "--shell", dialog)
        width = int(next(v for v in size if v.startswith("WIDTH=")).split("=")[1])
        height = int(next(v for v in size if v.startswith("HEIGHT=")).split("=")[1])
        Image.open(folder / "import-dialog.png").crop((0, 0, width, height)).save(
            folder / "import-dialog.png")
        # Without a window manager the focus is given by hand; on a loaded machine it may not
        # have arrived when the key does, so Return is pressed again while the dialog stays.
        def accepted():
            if title_of(main_window) == "ロトパル-" + str(picture):
                return True
            if dialog in xdotool("search", "--onlyvisible", "--name", DIALOG_TITLE):
                xdotool("windowfocus", "--sync", dialog)
                xdotool("key", "--window", dialog, "Return")
                time.sleep(1)
            return False
        wait_for(accepted, "the main window's title naming the picture", seconds=60)
        print(f"ok: Return accepted; the title is {title_of(main_window)}")
        request_close(main_window)
        # An instrumented program checks its heap for leaks on the way out, which takes a while.
        child.wait(timeout=60)
    finally:
        if child.poll() is None:
            child.kill()


if __name__ == "__main__":
    main()
