# SPDX-License-Identifier: MIT
"""Prints the shell blocks of a Markdown page that are marked as runnable, in
order, as one script: each block is a ```sh fence on the line after a
<!-- runnable --> comment. CI runs the script of every page on a fresh clone,
so that what a page tells its reader to type keeps working.

usage: python3 runnable.py PAGE.md
"""
import re
import sys

BLOCK = re.compile(r"^<!-- runnable -->\n```sh\n(.*?)^```$", re.S | re.M)


def main(path):
    with open(path, encoding="utf-8") as f:
        blocks = BLOCK.findall(f.read())
    for block in blocks:
        print(f"# {path}\n{block}", end="")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
