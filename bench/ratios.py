#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Prints the ratio table of zolt's speed targets from the JSON output of
zolt_bench (--benchmark_out=FILE --benchmark_out_format=json).

Byte operations compare bytes per second at each size; the per-call operations
(divmod, ascii_of_int32) compare time per call. A target is met when it holds
at every size it applies to.
"""
import json
import sys

SIZES = [16, 32, 64, 256, 4096, 65536, 1048576]
LARGE = [n for n in SIZES if n >= 4096]

# (operation, its benchmark, baseline, baseline benchmark, kind, bound, sizes)
#   kind "faster": zolt bytes/s over baseline bytes/s must be >= bound
#   kind "gbps":   zolt bytes/s must be >= bound GB/s (no baseline)
#   kind "slower": zolt time over baseline time must be <= bound
TARGETS = [
    ("Zolt::equal", "zolt_equal", "memcmp (equal buffers)", "memcmp_equal", "faster", 0.7, [256]),
    ("Zolt::equal", "zolt_equal", "memcmp (equal buffers)", "memcmp_equal", "faster", 0.9, [4096, 65536]),
    ("Zolt::equal", "zolt_equal", "CRYPTO_memcmp", "CRYPTO_memcmp_equal", "faster", 1.0, SIZES),
    ("Zolt_bigstring::equal", "zolt_bigstring_equal", "memcmp (equal buffers)", "memcmp_equal", "faster", 0.9, [4096]),
    ("Zolt_bigstring::equal", "zolt_bigstring_equal", "CRYPTO_memcmp", "CRYPTO_memcmp_equal", "faster", 1.0, SIZES),
    ("compare_be", "zolt_compare_be", "memcmp (equal buffers)", "memcmp_equal", "faster", 0.2, [256]),
    ("compare_le", "zolt_compare_le", "memcmp (equal buffers)", "memcmp_equal", "faster", 0.2, [256]),
    ("compare_be", "zolt_compare_be", "memcmp (equal buffers)", "memcmp_equal", "faster", 0.4, [4096, 65536]),
    ("compare_le", "zolt_compare_le", "memcmp (equal buffers)", "memcmp_equal", "faster", 0.4, [4096, 65536]),
    ("compare_be", "zolt_compare_be", "sodium_compare", "sodium_compare_le", "faster", 10.0, [32]),
    ("compare_le", "zolt_compare_le", "sodium_compare", "sodium_compare_le", "faster", 10.0, [32]),
    ("Zolt_bigstring::compare_be", "zolt_bigstring_compare_be", "sodium_compare", "sodium_compare_le", "faster", 8.0, LARGE),
    ("Zolt_bigstring::compare_le", "zolt_bigstring_compare_le", "sodium_compare", "sodium_compare_le", "faster", 8.0, LARGE),
    ("hex_of_string", "zolt_hex_of_string", "sodium_bin2hex", "sodium_bin2hex_encode", "faster", 12.0, [4096]),
    ("string_of_hex", "zolt_string_of_hex", "sodium_hex2bin", "sodium_hex2bin_decode", "faster", 10.0, [4096]),
    ("base64_of_string", "zolt_base64_of_string", "sodium_bin2base64", "sodium_bin2base64_encode", "faster", 4.0, [4096]),
    ("string_of_base64", "zolt_string_of_base64", "sodium_base642bin", "sodium_base642bin_decode", "faster", 3.0, [4096]),
    ("base64_of_bytes_into (standard)", "zolt_base64_of_bytes_into", "EVP_EncodeBlock", "EVP_EncodeBlock_encode", "faster", 4.0, [4096]),
    ("base64_of_bytes_into (standard)", "zolt_base64_of_bytes_into", "EVP_EncodeBlock", "EVP_EncodeBlock_encode", "faster", 6.0, [65536]),
    ("base64_of_bytes_into (url_unpadded)", "zolt_base64_of_bytes_into_url_unpadded", "EVP_EncodeBlock", "EVP_EncodeBlock_encode", "faster", 4.0, [4096]),
    ("base64_of_bytes_into (url_unpadded)", "zolt_base64_of_bytes_into_url_unpadded", "EVP_EncodeBlock", "EVP_EncodeBlock_encode", "faster", 6.0, [65536]),
    ("bytes_of_base64_into", "zolt_bytes_of_base64_into", "EVP_DecodeBlock", "EVP_DecodeBlock_decode", "faster", 3.0, [4096]),
    ("bytes_of_base64_into", "zolt_bytes_of_base64_into", "EVP_DecodeBlock", "EVP_DecodeBlock_decode", "faster", 5.0, [65536]),
    ("base64_of_string", "zolt_base64_of_string", "base64_of_bytes_into", "zolt_base64_of_bytes_into", "faster", 0.8, [65536]),
    ("string_of_base64", "zolt_string_of_base64", "bytes_of_base64_into", "zolt_bytes_of_base64_into", "faster", 0.8, [65536]),
    ("lowercase_ascii", "zolt_lowercase_ascii", "256-entry table", "table_lowercase", "faster", 4.0, LARGE),
    ("uppercase_ascii", "zolt_uppercase_ascii", "256-entry table", "table_lowercase", "faster", 4.0, LARGE),
    ("find_uint8 (lambda), GB/s", "zolt_find_uint8_lambda", "-", None, "gbps", 1.0, LARGE),
    ("Zolt_bigstring::find_uint8 (lambda), GB/s", "zolt_bigstring_find_uint8_lambda", "-", None, "gbps", 1.0, LARGE),
    ("find_uint8 (byte_equal_to, absent)", "zolt_find_uint8_byte_equal_to", "memchr", "memchr_absent", "faster", 0.05, [4096]),
    ("find_uint8 (byte_in_range, absent)", "zolt_find_uint8_byte_in_range", "memchr", "memchr_absent", "faster", 0.05, [4096]),
    ("find_uint8 (byte_in_set of 3, absent)", "zolt_find_uint8_byte_in_set", "memchr", "memchr_absent", "faster", 0.05, [4096]),
    ("Zolt_bigstring::find_uint8 (byte_equal_to)", "zolt_bigstring_find_uint8_byte_equal_to", "memchr", "memchr_absent", "faster", 0.05, [4096]),
    ("Zolt_bytes::find_uint8 (lambda), time", "zolt_bytes_find_uint8_lambda", "Zolt::find_uint8 (lambda)", "zolt_find_uint8_lambda", "slower", 1.15, LARGE),
    ("Zolt_bigstring::find_uint8 (lambda), time", "zolt_bigstring_find_uint8_lambda", "Zolt::find_uint8 (lambda)", "zolt_find_uint8_lambda", "slower", 1.15, LARGE),
    ("divmod by 10, time", "zolt_divmod_10", "div instruction", "divide_instruction_10", "slower", 3.0, None),
    ("ascii_of_int32 (10 digits), time", "zolt_ascii_of_int32_10", "std::to_chars", "std_to_chars_10", "slower", 1.5, None),
    ("ascii_of_int32_into (10 digits), time", "zolt_ascii_of_int32_into_10", "std::to_chars", "std_to_chars_10", "slower", 1.0, None),
]

# Context only, no target: zolt and the peers against the physical limits.
CONTEXT = [
    ("Zolt::equal", "zolt_equal", "sodium_memcmp", "sodium_memcmp_equal"),
    ("Zolt::equal", "zolt_equal", "memcpy", "memcpy_copy"),
    ("CRYPTO_memcmp", "CRYPTO_memcmp_equal", "memcmp (equal buffers)", "memcmp_equal"),
    ("find_uint8 (lambda)", "zolt_find_uint8_lambda", "memchr", "memchr_absent"),
    ("find_uint8 (lambda)", "zolt_find_uint8_lambda", "the same through Zolt::predicate", "zolt_find_uint8_predicate"),
    ("hex_of_string", "zolt_hex_of_string", "table hex encoder", "table_hex_encode"),
    ("string_of_hex", "zolt_string_of_hex", "table hex decoder", "table_hex_decode"),
    ("lowercase_ascii", "zolt_lowercase_ascii", "std::tolower loop", "std_tolower"),
]


def medians(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    out = {}
    for r in runs:
        if r.get("run_type") == "aggregate" and r.get("aggregate_name") != "median":
            continue
        out.setdefault(r["run_name"], r)  # the median, or the only run
    return out


def value(runs, name, size, what):
    r = runs.get(name if size is None else f"{name}/{size}")
    return None if r is None else r.get(what)


def fmt(x):
    return "—" if x is None else (f"{x:.2f}" if x < 10 else f"{x:.1f}")


def main():
    if len(sys.argv) != 2:
        sys.exit(f"usage: {sys.argv[0]} zolt_bench.json")
    runs = medians(sys.argv[1])
    header = "| operation | against | target | " + " | ".join(
        f"{n // 1024} KiB" if n >= 1024 else f"{n} B" for n in SIZES) + " | met |"
    print(header)
    print("|" + "---|" * (header.count("|") - 1))
    for op, name, base, base_name, kind, bound, sizes in TARGETS:
        cells, ok = [], True
        for n in (SIZES if sizes is not None else [None]):
            if kind == "faster":
                z, b = value(runs, name, n, "bytes_per_second"), value(runs, base_name, n, "bytes_per_second")
                r = None if z is None or b is None else z / b
            elif kind == "gbps":
                z = value(runs, name, n, "bytes_per_second")
                r = None if z is None else z / 1e9
            else:
                z, b = value(runs, name, n, "cpu_time"), value(runs, base_name, n, "cpu_time")
                r = None if z is None or b is None else z / b
            applies = sizes is None or n in sizes
            if applies:
                ok = ok and r is not None and (r <= bound if kind == "slower" else r >= bound)
            cells.append(fmt(r) if applies or r is None else f"({fmt(r)})")
        if sizes is None:
            cells = [cells[0]] + [""] * (len(SIZES) - 1)
        target = {"faster": f"≥ {bound:g}×", "gbps": f"≥ {bound:g} GB/s", "slower": f"≤ {bound:g}× time"}[kind]
        print(f"| {op} | {base} | {target} | " + " | ".join(cells) + f" | {'yes' if ok else 'NO'} |")
    print()
    print("Context (bytes per second, ratio):")
    print()
    print("| operation | against | " + " | ".join(str(n) for n in SIZES) + " |")
    print("|---|---|" + "---|" * len(SIZES))
    for op, name, base, base_name in CONTEXT:
        cells = []
        for n in SIZES:
            z, b = value(runs, name, n, "bytes_per_second"), value(runs, base_name, n, "bytes_per_second")
            cells.append(fmt(None if z is None or b is None else z / b))
        print(f"| {op} | {base} | " + " | ".join(cells) + " |")
    print()
    print("Ratios of bytes per second (time for the per-call rows); values in parentheses")
    print("are outside the sizes a target applies to.")


if __name__ == "__main__":
    main()
