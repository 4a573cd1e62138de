#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The documentation, on a fresh clone of the commit under test:
#   - the README stays a front page (at most 250 lines) that links every page
#     of docs/, and every local link of the README and docs/ resolves;
#   - the shell blocks of the README and docs/ marked runnable run as written,
#     so that the docs cannot drift: they build the API reference with Doxygen
#     (any warning fails, an undocumented public entity included), install and
#     import the Python package, and build and run the examples;
#   - every page of the API reference loads in headless Chromium without a
#     console message and every local link in it resolves; a screenshot of its
#     index page is kept.
source "$(dirname "$0")/lib.sh"
cd "$(dirname "$0")/.."
need_pkgs cmake g++ make git python3 doxygen chromium libssl-dev
root=$PWD
work=$root/build-ci-docs
rm -rf "$work"
mkdir -p "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

git clone --quiet "$root" "$work/clone"
cd "$work/clone"

step "README: a front page linking every page of docs/"
lines=$(wc -l <README.md)
[ "$lines" -le 250 ] || fail "README.md has $lines lines, more than 250"
for page in docs/*.md; do
  grep -q "]($page)" README.md || fail "README.md does not link $page"
done
python3 tools/docs/links.py README.md SECURITY.md CHANGELOG.md docs/*.md

step "runnable blocks"
for page in README.md docs/*.md; do
  script=$(python3 tools/docs/runnable.py "$page")
  [ -n "$script" ] || continue
  step "runnable blocks of $page"
  printf '%s\n' "$script"
  bash -e -o pipefail -c "$script" || fail "a runnable block of $page failed"
done

step "API reference: links and browser"
html=build-docs/docs/html
[ -f "$html/index.html" ] || fail "no API reference: docs/api-reference.md's block did not build it"
python3 tools/docs/links.py "$html"/*.html
python3 tools/docs/browse.py "$html" "$work"
echo "docs: all checks passed"
