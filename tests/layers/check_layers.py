#!/usr/bin/python3
"""Checks every source file's #include lines against the layers' allowed dependencies.

  check_layers.py SOURCE_ROOT

Project headers ("layer/name.h") may come only from the file's own layer and those beneath it;
no layer below ui/qt includes Qt; and only the thin wrapper over the file system, the child-process
runner, the picture decoder's sandbox and main (and the program entry points, which talk to a
terminal) include the system headers that do I/O.
Prints each breach with its file and line and exits 1 when there is any.
"""

import re
import sys
from pathlib import Path

# Each layer and the layers it may include, itself included.
BENEATH = {
    "core": {"core"},
    "document": {"core", "document"},
    "palette": {"core", "document", "palette"},
    "animation": {"core", "document", "palette", "animation"},
    "import": {"core", "document", "palette", "animation", "process", "import"},
    "process": {"core", "process"},
    "disk": {"core", "document", "process", "disk"},
    "ui": {"core", "document", "palette", "animation", "process", "import", "ui"},
    "ui/qt": {"core", "document", "palette", "animation", "process", "import", "ui", "ui/qt"},
    "cli": {"core", "document", "palette", "animation", "import", "process", "disk", "cli"},
    "samples": {"core", "document", "samples"},
}

# System headers that reach the operating system's files, processes or terminals.
IO_HEADERS = re.compile(r"^(fcntl\.h|unistd\.h|dirent\.h|stdio\.h|cstdio|fstream|iostream|"
                        r"filesystem|sys/.*|dlfcn\.h|spawn\.h|poll\.h)$")
# Who may include them: the file-system wrapper, the one child-process runner, the picture
# decoder's sandbox and its main, and the programs' mains, which use a terminal.
IO_ALLOWED = {"document/file_io.cpp", "process/child_process.cpp", "import/decoder_sandbox.cpp",
              "import/decoder_main.cpp", "cli/main.cpp", "samples/generate_samples.cpp"}
# Formatting into memory only; libjpeg's header, which needs FILE declared (the JPEG decoder
# reads through its own source, from the open descriptor).
IO_EXCEPTIONS = {("cli/info_report.cpp", "cstdio"), ("import/jpeg_decoding.cpp", "cstdio")}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def layer_of(relative):
    parts = relative.parts
    if parts[0] == "ui" and len(parts) > 2 and parts[1] == "qt":
        return "ui/qt"
    return parts[0] if parts[0] in BENEATH else None


def breaches(root):
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        relative = path.relative_to(root)
        layer = layer_of(relative)
        if layer is None:
            continue  # tests, benchmarks, fuzzers and build folders depend on anything
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            kind, name = match.groups()
            where = f"{relative}:{number}: {layer}"
            if kind == '"':
                target = "ui/qt" if name.startswith("ui/qt/") else name.split("/")[0]
                if target not in BENEATH[layer]:
                    yield f"{where} includes {name} from {target}, which it may not depend on"
            elif layer != "ui/qt" and (name.startswith("Q") or name.startswith("qt")):
                yield f"{where} includes Qt's {name}; only ui/qt may"
            elif (IO_HEADERS.match(name) and str(relative) not in IO_ALLOWED
                  and (str(relative), name) not in IO_EXCEPTIONS and layer != "ui/qt"):
                yield f"{where} includes <{name}>; only document/file_io talks to the system"


def main():
    root = Path(sys.argv[1])
    found = list(breaches(root))
    for breach in found:
        print(breach)
    checked = sum(1 for p in root.rglob("*") if p.suffix in (".h", ".cpp")
                  and layer_of(p.relative_to(root)) is not None)
    print(f"{checked} files checked, {len(found)} breaches")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
