# SPDX-License-Identifier: MIT
# Shared helpers for the CI steps; sourced, not run.
set -euo pipefail

ci_updated=0
# need_pkgs PKG...: install the Debian packages that are not installed yet.
need_pkgs() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$ci_updated" = 0 ]; then apt-get update -qq; ci_updated=1; fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

step() { printf '\n==== %s ====\n' "$*"; }
