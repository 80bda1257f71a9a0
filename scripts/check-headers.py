#!/usr/bin/env python3
"""Checks that every header compiles on its own, so that no header leans on what its includers happen to
include first.

Each header is included alone in an otherwise empty file and compiled (syntax only) with the flags of a
source file of its own folder (any of them that compiles it: test folders hold several programs), of the
nearest folder above that has one, or else of the folders below or nearest, taken from a build's
compile_commands.json.
Usage: check-headers.py BUILD_DIR [JOBS]
"""
import concurrent.futures
import json
import os
import shlex
import subprocess
import sys


def flags_by_folder(build):
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
        commands = json.load(f)
    root = os.path.abspath(".")
    folders = {}
    for c in commands:
        source = os.path.relpath(os.path.join(c["directory"], c["file"]), root)
        args = c.get("arguments") or shlex.split(c["command"])
        kept = [args[0]]
        skip = False
        for a in args[1:]:
            if skip:
                skip = False
                continue
            if a in ("-o", "-c", "-MF", "-MT", "-MQ"):
                skip = a != "-c"
                continue
            if a.endswith((".cpp", ".cc", ".c")) or a in ("-MD", "-MMD"):
                continue
            kept.append(a)
        flags = folders.setdefault(os.path.dirname(source), [])
        if (c["directory"], kept) not in flags:
            flags.append((c["directory"], kept))
    return folders


def candidates(header, folders):
    folder = os.path.dirname(header)
    while folder:
        if folder in folders:
            return folders[folder]
        folder = os.path.dirname(folder)
    below = [f for f in folders if f.startswith(os.path.dirname(header) + "/")]
    if below:
        return [flags for f in sorted(below) for flags in folders[f]]
    # A header beside no source at all: the folders nearest in the tree.
    nearest = sorted(folders, key=lambda f: -len(os.path.commonpath([f, header])))[:3]
    return [flags for f in nearest for flags in folders[f]]


def check(header, folders):
    flags = candidates(header, folders)
    if not flags:
        return header, None
    error = ""
    # A file that only includes the header, so that it is compiled as a header is, not as a main file.
    source = f'#include "{os.path.abspath(header)}"\n'
    for directory, args in flags:
        cmd = args + ["-fsyntax-only", "-x", "c++", "-"]
        run = subprocess.run(cmd, cwd=directory, input=source, capture_output=True, text=True)
        if run.returncode == 0:
            return header, ""
        error = error or run.stderr
    return header, error


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    folders = flags_by_folder(sys.argv[1])
    jobs = int(sys.argv[2]) if len(sys.argv) > 2 else os.cpu_count() or 1
    headers = subprocess.run(["git", "ls-files", "*.h", "*.hpp"], capture_output=True, text=True,
                             check=True).stdout.split()
    failed, unchecked = [], []
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for header, error in pool.map(lambda h: check(h, folders), headers):
            if error is None:
                unchecked.append(header)
            elif error:
                failed.append(header)
                print(f"== {header}\n{error}")
    for header in unchecked:
        print(f"no compile flags for {header}")
    if failed:
        print(f"{len(failed)} of {len(headers)} headers do not compile on their own")
        return 1
    print(f"every header compiles on its own: {len(headers) - len(unchecked)} checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
