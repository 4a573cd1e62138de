#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# no_div.sh LIBZOLT [OBJDUMP]: fails if the machine code of Zolt::divmod or
# Zolt::ascii_of_int32, or of any function of the library they call (directly
# or through the PLT; at -O0 nothing is inlined, so the helpers are separate
# functions), holds a division instruction: div or idiv on x86, udiv or sdiv on
# AArch64. OBJDUMP is GNU objdump for the library's machine (default objdump). Memcheck cannot see this leak:
# a hardware division takes a time that depends on its operands, so it must
# never see the secret dividend.
#
# Exempt: Zolt::divmod_reciprocal. It is kept out of line on purpose and only
# ever divides public values, by the public divisor m, to form the reciprocal
# of m (ascii_of_int32 multiplies by constants and never calls it). Its
# division cannot leak a secret, and keeping it a separate function is what
# lets this check tell it apart.
set -euo pipefail
lib=${1:?usage: no_div.sh path/to/libzolt.so [objdump]}
objdump=${2:-objdump}

"$objdump" -d -C --no-show-raw-insn "$lib" | awk '
  match($0, /^[0-9a-f]+ <(.*)>:$/) { fn = substr($0, RSTART, RLENGTH); sub(/^[0-9a-f]+ </, "", fn); sub(/>:$/, "", fn); defined[fn] = 1; next }
  fn == "" { next }
  $0 ~ /^ *[0-9a-f]+:\t/ {
    insn = $0; sub(/^ *[0-9a-f]+:\t/, "", insn); sub(/[ \t]*\/\/.*$/, "", insn)
    split(insn, word, /[ \t]+/)
    if (word[1] ~ /^(i?div[bwlq]?|[su]div)$/) divs[fn] = divs[fn] "\n    " insn
    # Calls and tail calls: call/jmp on x86, bl/b on AArch64.
    if (word[1] ~ /^((call|jmp)q?|bl?)$/ && match(insn, /<[^>]*>$/)) {
      target = substr(insn, RSTART + 1, RLENGTH - 2)
      if (target ~ /\+0x[0-9a-f]+$/) next   # a jump inside a function
      sub(/@plt$/, "", target)
      if (target != fn) calls[fn] = calls[fn] "\n" target
    }
  }
  END {
    n = 0
    for (f in defined) {
      if (f ~ /^Zolt::divmod\(/) { queue[++n] = f; roots["divmod"] = 1 }
      if (f ~ /^Zolt::ascii_of_int32(\[abi:cxx11\])?\(/) { queue[++n] = f; roots["ascii_of_int32"] = 1 }
      if (f ~ /^zolt_(divmod|ascii_of_int32)$/) { queue[++n] = f; roots[f] = 1 }
    }
    if (length(roots) != 4) { print "no_div: Zolt::divmod, Zolt::ascii_of_int32 or their C forms not found"; exit 1 }
    bad = 0
    # The exempt function does divide: if the scan misses that, it is blind.
    seen_div = 0
    for (f in divs) if (f ~ /^Zolt::divmod_reciprocal/) seen_div = 1
    if (!seen_div) { print "no_div: FAIL the division in Zolt::divmod_reciprocal went unseen"; bad = 1 }
    for (i = 1; i <= n; i++) {
      f = queue[i]
      if (seen[f]++) continue
      if (f ~ /^Zolt::divmod_reciprocal[(.]/) { print "no_div: exempt (public divisor only): " f; continue }
      if (f in divs) { print "no_div: FAIL division in " f ":" divs[f]; bad = 1 }
      else print "no_div: clean: " f
      m = split(calls[f], callee, "\n")
      for (k = 1; k <= m; k++) if (callee[k] in defined) queue[++n] = callee[k]
    }
    exit bad
  }'
