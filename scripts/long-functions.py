#!/usr/bin/env python3
"""Lists the functions longer than a limit (100 lines) outside the places allowed longer ones.

Reads the formatted sources: a function's body opens with "{" alone in column 0 after a signature that
starts in column 0, and closes with "}" in column 0, which the repository's .clang-format guarantees.
Functions inside a class body are indented and so are not measured; none of them comes near the limit.
Exits 1 when a function is too long, so CI can fail on it.
"""
import re
import subprocess
import sys

LIMIT = 100
# The triangulation's algorithms and the element mathematics are kept whole where splitting them would
# scatter one derivation over several places.
EXEMPT = (re.compile(r"^cdt/"), re.compile(r"^cae_core/fea2d/.*Element"), re.compile(r"^tools/nastran/Element"))


def functions(lines):
    i = 0
    while i < len(lines):
        if lines[i] == "{" and i > 0:
            j = i - 1
            while j > 0 and lines[j].startswith(" ") and i - j < 8:
                j -= 1
            signature = " ".join(s.strip() for s in lines[j:i])
            k = i + 1
            while k < len(lines) and not lines[k].startswith("}"):
                k += 1
            body = "\n".join(lines[i + 1 : k])
            # A function that returns one long text (a help page) is data, not logic.
            rest = [line.strip() for line in lines[i + 2 : k]]
            single_text = body.lstrip().startswith("return") and all(line.startswith('"') for line in rest)
            if "(" in signature and not single_text and not re.match(r"^(namespace|class|struct|enum|union)\b",
                                                                     signature):
                yield j + 1, k - j + 1, signature
            i = k
        i += 1


def main():
    files = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], capture_output=True, text=True,
                           check=True).stdout.split()
    long = []
    for name in files:
        if name.startswith("tests/") or any(p.search(name) for p in EXEMPT):
            continue
        with open(name, encoding="utf-8") as f:
            lines = f.read().split("\n")
        for line, length, signature in functions(lines):
            if length > LIMIT:
                long.append((length, name, line, signature))
    for length, name, line, signature in sorted(long, reverse=True):
        print(f"{name}:{line}: {length} lines: {signature[:100]}")
    if long:
        print(f"{len(long)} functions longer than {LIMIT} lines")
        return 1
    print(f"no function longer than {LIMIT} lines")
    return 0


if __name__ == "__main__":
    sys.exit(main())
