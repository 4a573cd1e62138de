#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every tracked source, header, CMake, template and script file starts with the
# license identifier: on its first line, or on the line after a #! line.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."

step "license identifier in every source file"
tag='^(//|#) SPDX-License-Identifier: MIT$'
missing=0
while IFS= read -r f; do
  case "$f" in
    *.cpp | *.hpp | *.c | *.h | *.cmake | *.in | *.sh | *.py | CMakeLists.txt | */CMakeLists.txt) ;;
    *) head -c2 "$f" | grep -q '^#!' || continue ;;
  esac
  line=1
  if head -n1 "$f" | grep -q '^#!'; then line=2; fi
  if ! sed -n "${line}p" "$f" | grep -Eq "$tag"; then
    echo "missing 'SPDX-License-Identifier: MIT' on line $line: $f" >&2
    missing=1
  fi
done < <(git ls-files)
[ "$missing" = 0 ] || exit 1
echo "every source file carries the license identifier"
