# SPDX-License-Identifier: MIT
"""The C interface through Python's ctypes, the way a foreign-function user
meets it: the installed libzolt.so, a few results, a predicate written in
Python, and an error code with its message.

usage: python3 test_ctypes.py PATH/TO/libzolt.so
"""
import ctypes
import sys

ZOLT_ERR_M_NOT_POSITIVE = -1
ZOLT_ERR_NEGATIVE_START = -6
ZOLT_ERR_OUTPUT_TOO_SMALL = -7

PREDICATE = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_int)


def load(path):
    lib = ctypes.CDLL(path)
    size, ssize = ctypes.c_size_t, ctypes.c_ssize_t
    signatures = {
        "zolt_strerror": (ctypes.c_char_p, [ctypes.c_int]),
        "zolt_version_string": (ctypes.c_char_p, []),
        "zolt_equal": (ctypes.c_int, [ctypes.POINTER(ctypes.c_bool), ctypes.c_char_p, size,
                                      ctypes.c_char_p, size]),
        "zolt_compare_be": (ctypes.c_int, [ctypes.POINTER(ctypes.c_int), ctypes.c_char_p, size,
                                           ctypes.c_char_p, size]),
        "zolt_find_uint8": (ctypes.c_int, [ctypes.POINTER(ssize), ssize, PREDICATE,
                                           ctypes.c_void_p, ctypes.c_char_p, size]),
        "zolt_divmod": (ctypes.c_int, [ctypes.POINTER(ctypes.c_int32),
                                       ctypes.POINTER(ctypes.c_int32), ctypes.c_int32,
                                       ctypes.c_int32]),
        "zolt_hex_of_bytes": (ctypes.c_int, [ctypes.c_char_p, size, ctypes.c_char_p, size]),
        "zolt_bytes_of_hex": (ctypes.c_int, [ctypes.POINTER(ssize), ctypes.c_char_p, size,
                                             ctypes.c_char_p, size]),
        "zolt_select_int": (ssize, [ssize, ssize, ssize]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype, function.argtypes = restype, argtypes
    return lib


def main(path):
    lib = load(path)
    failures = []

    def check(what, ok):
        if not ok:
            failures.append(what)

    def equal(a, b):
        result = ctypes.c_bool()
        check("zolt_equal status", lib.zolt_equal(ctypes.byref(result), a, len(a), b, len(b)) == 0)
        return result.value

    check("version", lib.zolt_version_string().decode().count(".") == 2)
    check("equal", equal(b"mac\x00tag", b"mac\x00tag"))
    check("equal, differing after a zero byte", not equal(b"mac\x00tag", b"mac\x00taG"))

    order = ctypes.c_int()
    check("compare_be", lib.zolt_compare_be(ctypes.byref(order), b"\x01\x00", 2, b"\x00\xff", 2) == 0
          and order.value == 8)

    index = ctypes.c_ssize_t()
    is_colon = PREDICATE(lambda ctx, byte: byte == ord(":"))
    check("find_uint8", lib.zolt_find_uint8(ctypes.byref(index), 0, is_colon, None, b"id:key", 6) == 0
          and index.value == 2)
    check("find_uint8, negative start",
          lib.zolt_find_uint8(ctypes.byref(index), -1, is_colon, None, b"id:key", 6)
          == ZOLT_ERR_NEGATIVE_START)

    q, r = ctypes.c_int32(), ctypes.c_int32()
    check("divmod", lib.zolt_divmod(ctypes.byref(q), ctypes.byref(r), -1, 10) == 0
          and (q.value, r.value) == (429496729, 5))
    status = lib.zolt_divmod(ctypes.byref(q), ctypes.byref(r), 7, 0)
    check("divmod by 0", status == ZOLT_ERR_M_NOT_POSITIVE and lib.zolt_strerror(status) == b"m <= 0")

    secret = bytes(range(250, 256)) + b"\x00"
    text = ctypes.create_string_buffer(2 * len(secret))
    check("hex_of_bytes", lib.zolt_hex_of_bytes(text, len(text), secret, len(secret)) == 0
          and text.raw == b"fafbfcfdfeff00")
    decoded = ctypes.create_string_buffer(len(secret))
    indicator = ctypes.c_ssize_t(-1)
    check("bytes_of_hex", lib.zolt_bytes_of_hex(ctypes.byref(indicator), decoded, len(decoded),
                                                text.raw.upper(), len(text)) == 0
          and indicator.value == 0 and decoded.raw == secret)
    status = lib.zolt_bytes_of_hex(ctypes.byref(indicator), decoded, 2, text.raw, len(text))
    check("bytes_of_hex into too small a buffer", status == ZOLT_ERR_OUTPUT_TOO_SMALL
          and lib.zolt_strerror(status) == b"output too small")

    check("select_int", (lib.zolt_select_int(0, 3, 7), lib.zolt_select_int(-5, 3, 7)) == (3, 7))

    for what in failures:
        print("FAIL:", what)
    if not failures:
        print("ctypes: all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
