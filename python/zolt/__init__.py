# SPDX-License-Identifier: MIT
"""zolt: constant-time operations on byte strings, from Python.

A thin layer over libzolt's C interface, through the standard library's
ctypes. The promise is the C library's: lengths are public and may shape the
work; the bytes are secret and never do. What Python adds is not constant
time: the interpreter copies, hashes and frees objects as it likes, and an
immutable ``bytes`` object can never be wiped. Keep secrets in ``bytearray``
objects and wipe them with :func:`wipe` when done; every function here that
returns bytes returns a fresh ``bytearray`` for that reason.

Inputs are bytes-like objects: ``bytes``, ``bytearray``, a contiguous
``memoryview``, ... A ``str`` is refused: encoding it would leave a copy the
caller never sees. A read-only view that is not itself ``bytes`` is copied
once to reach C.

Status errors raise :class:`Error`, whose message is ``zolt_strerror``'s text.
"""
import ctypes
import os

from . import _build

__all__ = [
    "Error", "version", "equal", "compare_be", "compare_le", "compare_be_with_len",
    "compare_le_with_len", "is_zero", "hex_of_bytes", "bytes_of_hex", "BASE64_STANDARD",
    "BASE64_STANDARD_UNPADDED", "BASE64_URL", "BASE64_URL_UNPADDED", "base64_of_bytes",
    "bytes_of_base64", "pad_iso7816", "pad_pkcs7", "unpad_iso7816", "unpad_pkcs7", "wipe",
]

# The variants of <zolt/zolt.h>: RFC 4648's two alphabets, padded or not.
BASE64_STANDARD = 0
BASE64_STANDARD_UNPADDED = 1
BASE64_URL = 2
BASE64_URL_UNPADDED = 3


def _load():
    """libzolt beside this package in the install tree, else by its soname."""
    here = os.path.dirname(os.path.abspath(__file__))
    beside = os.path.normpath(os.path.join(here, _build.LIBDIR, _build.SONAME))
    return ctypes.CDLL(beside if os.path.exists(beside) else _build.SONAME)


_lib = _load()
_size, _ssize, _ptr = ctypes.c_size_t, ctypes.c_ssize_t, ctypes.c_void_p
_out = ctypes.POINTER
for _name, _restype, _argtypes in [
    ("zolt_strerror", ctypes.c_char_p, [ctypes.c_int]),
    ("zolt_version_string", ctypes.c_char_p, []),
    ("zolt_equal", ctypes.c_int, [_out(ctypes.c_bool), _ptr, _size, _ptr, _size]),
    ("zolt_compare_be", ctypes.c_int, [_out(ctypes.c_int), _ptr, _size, _ptr, _size]),
    ("zolt_compare_le", ctypes.c_int, [_out(ctypes.c_int), _ptr, _size, _ptr, _size]),
    ("zolt_compare_be_with_len", ctypes.c_int,
     [_out(ctypes.c_int), _size, _ptr, _size, _ptr, _size]),
    ("zolt_compare_le_with_len", ctypes.c_int,
     [_out(ctypes.c_int), _size, _ptr, _size, _ptr, _size]),
    ("zolt_is_zero", ctypes.c_int, [_out(ctypes.c_bool), _ptr, _size]),
    ("zolt_hex_of_bytes", ctypes.c_int, [_ptr, _size, _ptr, _size]),
    ("zolt_bytes_of_hex", ctypes.c_int, [_out(_ssize), _ptr, _size, _ptr, _size]),
    ("zolt_base64_encoded_size", _size, [_size, ctypes.c_int]),
    ("zolt_base64_decoded_max_size", _size, [_size]),
    ("zolt_base64_of_bytes", ctypes.c_int, [_ptr, _size, _ptr, _size, ctypes.c_int]),
    ("zolt_bytes_of_base64", ctypes.c_int,
     [_out(_ssize), _out(_size), _ptr, _size, _ptr, _size, ctypes.c_int]),
    ("zolt_pad_iso7816", ctypes.c_int, [_out(_size), _ptr, _size, _size, _size]),
    ("zolt_pad_pkcs7", ctypes.c_int, [_out(_size), _ptr, _size, _size, _size]),
    ("zolt_unpad_iso7816", ctypes.c_int,
     [_out(_size), _out(ctypes.c_uint64), _ptr, _size, _size]),
    ("zolt_unpad_pkcs7", ctypes.c_int, [_out(_size), _out(ctypes.c_uint64), _ptr, _size, _size]),
    ("zolt_wipe", ctypes.c_int, [_ptr, _size]),
]:
    _function = getattr(_lib, _name)
    _function.restype, _function.argtypes = _restype, _argtypes


class Error(ValueError):
    """A status code of libzolt; the message is zolt_strerror's text."""

    def __init__(self, code):
        super().__init__(_lib.zolt_strerror(code).decode())
        self.code = code


def _check(status):
    if status != 0:
        raise Error(status)


def _view(data, writable=False):
    """(pointer argument, length) of a bytes-like object, without a copy when
    it is bytes or a writable buffer."""
    if isinstance(data, str):
        raise TypeError("zolt takes bytes-like objects, not str")
    if isinstance(data, bytes):
        if writable:
            raise TypeError("zolt writes into this argument: bytes is immutable")
        return data, len(data)
    view = memoryview(data)
    if view.readonly:
        if writable:
            raise TypeError("zolt writes into this argument: the buffer is read-only")
        return bytes(view), view.nbytes
    return (ctypes.c_char * view.nbytes).from_buffer(view), view.nbytes


def version():
    """The library's version, "MAJOR.MINOR.PATCH"."""
    return _lib.zolt_version_string().decode()


def equal(a, b):
    """Same length and same bytes. Time depends on the lengths only."""
    result = ctypes.c_bool()
    _check(_lib.zolt_equal(ctypes.byref(result), *_view(a), *_view(b)))
    return result.value


def _order(function, *args):
    result = ctypes.c_int()
    _check(function(ctypes.byref(result), *args))
    return result.value


def compare_be(a, b):
    """a against b as unsigned big-endian numbers: -16 below, 0 equal, 8
    above; 1 when a is shorter, -1 when a is longer."""
    return _order(_lib.zolt_compare_be, *_view(a), *_view(b))


def compare_le(a, b):
    """compare_be with the last byte most significant."""
    return _order(_lib.zolt_compare_le, *_view(a), *_view(b))


def compare_be_with_len(length, a, b):
    """compare_be after checking that both lengths are length (else Error)."""
    return _order(_lib.zolt_compare_be_with_len, length, *_view(a), *_view(b))


def compare_le_with_len(length, a, b):
    """compare_le after checking that both lengths are length (else Error)."""
    return _order(_lib.zolt_compare_le_with_len, length, *_view(a), *_view(b))


def is_zero(s):
    """Whether every byte of s is 0 (True for an empty s)."""
    result = ctypes.c_bool()
    _check(_lib.zolt_is_zero(ctypes.byref(result), *_view(s)))
    return result.value


def _into(size, fill):
    """A new bytearray of size bytes, filled by fill(pointer, size)."""
    out = bytearray(size)
    _check(fill((ctypes.c_char * size).from_buffer(out), size))
    return out


def hex_of_bytes(b):
    """Lower-case hexadecimal text of b, high digit first."""
    pointer, length = _view(b)
    return _into(2 * length, lambda o, n: _lib.zolt_hex_of_bytes(o, n, pointer, length))


def bytes_of_hex(h):
    """(the len(h) // 2 bytes the hex text h encodes, indicator): 0 when h is
    well-formed, 16 for an odd length, 240 when a character is not a hex
    digit. Use the bytes only when the indicator is 0."""
    indicator = _ssize()
    pointer, length = _view(h)
    out = _into(length // 2, lambda o, n: _lib.zolt_bytes_of_hex(ctypes.byref(indicator), o, n,
                                                                   pointer, length))
    return out, indicator.value


def base64_of_bytes(b, variant=BASE64_STANDARD):
    """The base64 text of b in that variant."""
    pointer, length = _view(b)
    size = _lib.zolt_base64_encoded_size(length, variant)
    return _into(size, lambda o, n: _lib.zolt_base64_of_bytes(o, n, pointer, length, variant))


def bytes_of_base64(text, variant=BASE64_STANDARD):
    """(the bytes text decodes to, indicator): 0 when text is the canonical
    encoding in that variant, nonzero otherwise (then the bytes are
    unspecified). Time depends on the length and the trailing '=' only."""
    indicator, decoded = _ssize(), _size()
    pointer, length = _view(text)
    out = _into(_lib.zolt_base64_decoded_max_size(length),
                lambda o, n: _lib.zolt_bytes_of_base64(ctypes.byref(indicator),
                                                       ctypes.byref(decoded), o, n, pointer,
                                                       length, variant))
    # Wiped before the bytearray shrinks, so that no decoded byte is left in
    # memory it gives back.
    wipe(memoryview(out)[decoded.value:])
    del out[decoded.value:]
    return out, indicator.value


def _pad(function, buf, unpadded_len, block_size):
    padded = _size()
    _check(function(ctypes.byref(padded), *_view(buf, writable=True), unpadded_len, block_size))
    return padded.value


def pad_iso7816(buf, unpadded_len, block_size):
    """Pads the message, the first unpadded_len bytes of the writable buffer
    buf, in place with 0x80 then zero bytes up to the next multiple of
    block_size; returns the padded length. Every byte of buf is read and
    written, so the time tells len(buf), not unpadded_len."""
    return _pad(_lib.zolt_pad_iso7816, buf, unpadded_len, block_size)


def pad_pkcs7(buf, unpadded_len, block_size):
    """pad_iso7816 with PKCS#7 padding (each byte the padding's length;
    block_size 1..255)."""
    return _pad(_lib.zolt_pad_pkcs7, buf, unpadded_len, block_size)


def _unpad(function, padded, block_size):
    length, valid = _size(), ctypes.c_uint64()
    _check(function(ctypes.byref(length), ctypes.byref(valid), *_view(padded), block_size))
    return length.value, valid.value != 0


def unpad_iso7816(padded, block_size):
    """(the message's length, valid): valid when len(padded) is a nonzero
    multiple of block_size and the last block ends in well-formed padding;
    the length is 0 when not valid."""
    return _unpad(_lib.zolt_unpad_iso7816, padded, block_size)


def unpad_pkcs7(padded, block_size):
    """unpad_iso7816 for PKCS#7 padding."""
    return _unpad(_lib.zolt_unpad_pkcs7, padded, block_size)


def wipe(buf):
    """Zeroes the writable buffer buf (a bytearray, a writable memoryview, ...)
    in a way the optimiser cannot remove."""
    _check(_lib.zolt_wipe(*_view(buf, writable=True)))
