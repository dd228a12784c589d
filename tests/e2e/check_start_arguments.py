#!/usr/bin/python3
"""The real program under Xvfb, started with arguments as a user may give them: everything after
the program's name is the file to open, and only the program reads it.

  check_start_arguments.py ROTOPAL OUTPUT_FOLDER

- rotopal -reverse: no such file, so its refusal comes before the main window, laid out left to
  right (were it Qt's option, the message box would be mirrored: its icon on the right).
- rotopal picture.png: a file that is not a bitmap, refused before the main window, and no
  import dialog opens.
"""

import subprocess
import sys
import time
from pathlib import Path

from check_window import find_main_window, request_close, screenshot, title_of, wait_until, \
    window_geometries_of, window_titled, xdotool

CONVERT = "/usr/bin/convert"
DIALOG_TITLE = "画像から起動画面を作成"


def check_left_to_right(box, path):
    """The message box's warning icon, the only yellow in it, sits in its left half."""
    time.sleep(0.5)  # the box is mapped before it is drawn
    left, top, width, height = window_geometries_of(box)
    shot = screenshot(path).crop((left, top, left + width, top + height))
    yellow = [x for x in range(width) for y in range(height)
              if (lambda r, g, b: r > 200 and g > 200 and b < 80)(*shot.getpixel((x, y)))]
    if not yellow or sum(yellow) / len(yellow) > width / 2:
        raise SystemExit(f"the message box is not laid out left to right (see {path})")


def refused_before_the_window(program, argument, folder):
    child = subprocess.Popen([program, argument], cwd=folder)
    try:
        wait_until(lambda: window_titled(child.pid, "Rotopal") is not None,
                   f"the refusal of {argument}", 30)
        if xdotool("search", "--onlyvisible", "--name", "^ロトパル"):
            raise SystemExit(f"{argument}: the main window showed before the refusal")
        box = window_titled(child.pid, "Rotopal")
        check_left_to_right(box, folder / f"refusal{len(argument)}.png")
        xdotool("windowfocus", "--sync", box)
        xdotool("key", "--window", box, "Return")
        main_window, _ = find_main_window(time.monotonic() + 30)
        if title_of(main_window) != "ロトパル":
            raise SystemExit(f"{argument}: the main window is titled {title_of(main_window)}")
        if xdotool("search", "--onlyvisible", "--name", DIALOG_TITLE):
            raise SystemExit(f"{argument}: the import dialog opened")
        print(f"ok: {argument} refused before the window, which opens empty")
        return child, main_window
    except BaseException:
        child.kill()
        raise


def main():
    program, folder = sys.argv[1], Path(sys.argv[2])
    folder.mkdir(parents=True, exist_ok=True)

    child, main_window = refused_before_the_window(program, "-reverse", folder)
    request_close(main_window)
    child.wait(timeout=60)

    picture = folder / "photo.png"
    subprocess.run([CONVERT, "-size", "64x48", "gradient:#c03020-#2040c0", str(picture)],
                   check=True)
    child, main_window = refused_before_the_window(program, str(picture), folder)
    request_close(main_window)
    child.wait(timeout=60)


if __name__ == "__main__":
    main()
