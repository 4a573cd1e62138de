# SPDX-License-Identifier: MIT
"""The Python package against the standard library's own codecs and plain
Python models of the padding schemes, through every kind of bytes-like
argument the package accepts.

usage: PYTHONPATH=DIR/WITH/zolt python3 -m unittest discover -s python/tests
"""
import array
import base64
import os
import random
import unittest

import zolt

RANDOM = random.Random(20261210)
SAMPLES = [bytes(RANDOM.randrange(256) for _ in range(n)) for n in range(0, 34)]


def shapes(data):
    """The same bytes as each kind of argument the package takes."""
    return [data, bytearray(data), memoryview(data), memoryview(bytearray(data)),
            memoryview(b"~" + data)[1:]]


class Loading(unittest.TestCase):
    def test_library_beside_the_package_is_the_one_loaded(self):
        here = os.path.dirname(zolt.__file__)
        beside = os.path.normpath(os.path.join(here, zolt._build.LIBDIR, zolt._build.SONAME))
        self.assertTrue(os.path.exists(beside), beside)
        self.assertEqual(zolt._lib._name, beside)

    def test_version(self):
        self.assertRegex(zolt.version(), r"^\d+\.\d+\.\d+$")


class Arguments(unittest.TestCase):
    def test_str_is_refused(self):
        for call in [lambda: zolt.equal("a", b"a"), lambda: zolt.hex_of_bytes("ab"),
                     lambda: zolt.bytes_of_base64("QQ==")]:
            self.assertRaises(TypeError, call)

    def test_immutable_buffers_are_refused_where_written(self):
        for buf in [bytes(16), memoryview(bytes(16))]:
            self.assertRaises(TypeError, zolt.pad_pkcs7, buf, 3, 16)
            self.assertRaises(TypeError, zolt.wipe, buf)

    def test_buffers_of_wider_items_are_read_as_their_bytes(self):
        words = array.array("I", [0x01020304, 0])
        self.assertEqual(zolt.hex_of_bytes(words), bytes(words).hex().encode())
        self.assertFalse(zolt.is_zero(words))

    def test_outputs_are_bytearrays_that_can_be_wiped(self):
        for out in [zolt.hex_of_bytes(b"k"), zolt.bytes_of_hex(b"6b")[0],
                    zolt.base64_of_bytes(b"k"), zolt.bytes_of_base64(b"aw==")[0]]:
            self.assertIsInstance(out, bytearray)
            zolt.wipe(out)
            self.assertTrue(zolt.is_zero(out))

    def test_wipe_of_a_slice_leaves_the_rest(self):
        buf = bytearray(b"keep secret keep")
        zolt.wipe(memoryview(buf)[5:11])
        self.assertEqual(buf, b"keep \0\0\0\0\0\0 keep")


class Comparisons(unittest.TestCase):
    def test_equal(self):
        cases = [(b"", b"", True), (b"mac\0tag", b"mac\0tag", True), (b"mac\0tag", b"mac\0taG", False),
                 (b"\0", b"", False), (b"ab", b"abc", False), (bytes(64), bytes(63) + b"\1", False)]
        for a, b, expected in cases:
            for shaped in shapes(a):
                self.assertEqual(zolt.equal(shaped, b), expected, (a, b))

    def test_compare(self):
        # (a, b, compare_be, compare_le)
        cases = [(b"\1\0", b"\0\xff", 8, -16), (b"\0\xff", b"\1\0", -16, 8), (b"ab", b"ab", 0, 0),
                 (b"a", b"ab", 1, 1), (b"abc", b"ab", -1, -1), (b"", b"", 0, 0)]
        for a, b, be, le in cases:
            self.assertEqual(zolt.compare_be(bytearray(a), b), be, (a, b))
            self.assertEqual(zolt.compare_le(a, memoryview(b)), le, (a, b))
            if len(a) == len(b):
                self.assertEqual(zolt.compare_be_with_len(len(a), a, b), be)
                self.assertEqual(zolt.compare_le_with_len(len(a), a, b), le)

    def test_compare_with_another_len_raises_with_the_message(self):
        for function, message, code in [(zolt.compare_be_with_len, "compare_be_with_len", -4),
                                        (zolt.compare_le_with_len, "compare_le_with_len", -5)]:
            with self.assertRaises(zolt.Error) as raised:
                function(3, b"ab", b"ab")
            self.assertEqual((str(raised.exception), raised.exception.code), (message, code))
            self.assertIsInstance(raised.exception, ValueError)

    def test_is_zero(self):
        for data, expected in [(b"", True), (bytes(33), True), (bytes(32) + b"\x80", False),
                               (b"\1" + bytes(40), False)]:
            for shaped in shapes(data):
                self.assertEqual(zolt.is_zero(shaped), expected, data)


class Codecs(unittest.TestCase):
    def test_hex_against_the_standard_library(self):
        for data in SAMPLES:
            text = zolt.hex_of_bytes(data)
            self.assertEqual(text, data.hex().encode())
            for shaped in shapes(bytes(text.upper())):
                self.assertEqual(zolt.bytes_of_hex(shaped), (bytearray(data), 0))

    def test_hex_indicators(self):
        for text, indicator in [(b"abc", 16), (b"0g", 240), (b"zz", 240), (b"", 0)]:
            self.assertEqual(zolt.bytes_of_hex(text)[1], indicator, text)
        self.assertEqual(len(zolt.bytes_of_hex(b"abc")[0]), 1)

    VARIANTS = [(zolt.BASE64_STANDARD, base64.b64encode, False),
                (zolt.BASE64_STANDARD_UNPADDED, base64.b64encode, True),
                (zolt.BASE64_URL, base64.urlsafe_b64encode, False),
                (zolt.BASE64_URL_UNPADDED, base64.urlsafe_b64encode, True)]

    def test_base64_against_the_standard_library(self):
        for variant, encode, unpadded in self.VARIANTS:
            for data in SAMPLES:
                expected = encode(data).rstrip(b"=") if unpadded else encode(data)
                for shaped in shapes(data):
                    self.assertEqual(zolt.base64_of_bytes(shaped, variant), expected)
                self.assertEqual(zolt.bytes_of_base64(expected, variant), (bytearray(data), 0))

    def test_base64_refuses_what_is_not_canonical(self):
        for text, variant in [(b"QR==", zolt.BASE64_STANDARD), (b"QQ", zolt.BASE64_STANDARD),
                              (b"QQ==", zolt.BASE64_STANDARD_UNPADDED), (b"-_8=", zolt.BASE64_STANDARD),
                              (b"+/8=", zolt.BASE64_URL), (b"QQ=A", zolt.BASE64_STANDARD)]:
            self.assertNotEqual(zolt.bytes_of_base64(text, variant)[1], 0, (text, variant))

    def test_base64_unknown_variant_raises_with_the_message(self):
        for call in [lambda: zolt.base64_of_bytes(b"k", 4), lambda: zolt.bytes_of_base64(b"aw==", -1)]:
            with self.assertRaisesRegex(zolt.Error, "^base64: unknown variant$"):
                call()


def pkcs7(message, block_size):
    n = block_size - len(message) % block_size
    return message + bytes([n]) * n


def iso7816(message, block_size):
    n = block_size - len(message) % block_size
    return message + b"\x80" + bytes(n - 1)


class Padding(unittest.TestCase):
    SCHEMES = [(zolt.pad_pkcs7, zolt.unpad_pkcs7, pkcs7), (zolt.pad_iso7816, zolt.unpad_iso7816, iso7816)]

    def test_pad_and_unpad_against_the_models(self):
        for pad, unpad, model in self.SCHEMES:
            for block_size in [1, 8, 16]:
                for message in SAMPLES[:20]:
                    buf = bytearray(message + b"\xaa" * 40)
                    padded_len = pad(buf, len(message), block_size)
                    expected = model(message, block_size)
                    self.assertEqual(bytes(buf[:padded_len]), expected, (pad, block_size, message))
                    self.assertEqual(buf[padded_len:], b"\xaa" * (len(buf) - padded_len))
                    self.assertEqual(unpad(memoryview(buf)[:padded_len], block_size),
                                     (len(message), True))

    def test_unpad_refuses_bad_padding(self):
        cases = [(zolt.unpad_pkcs7, bytes(15) + b"\x00"), (zolt.unpad_pkcs7, bytes(14) + b"\x01\x02"),
                 (zolt.unpad_pkcs7, bytes(15) + b"\x11"), (zolt.unpad_pkcs7, bytes(15)),
                 (zolt.unpad_iso7816, bytes(16)), (zolt.unpad_iso7816, bytes(14) + b"\x80\x01"),
                 (zolt.unpad_iso7816, b"")]
        for unpad, padded in cases:
            self.assertEqual(unpad(padded, 16), (0, False), (unpad, padded))

    def test_errors_raise_with_the_message(self):
        for block_size, message in [(0, "pad: block size 0"), (256, "pad: block size above 255")]:
            for call in [lambda: zolt.pad_pkcs7(bytearray(512), 3, block_size),
                         lambda: zolt.unpad_pkcs7(bytes(512), block_size)]:
                with self.assertRaisesRegex(zolt.Error, "^%s$" % message):
                    call()
        buf = bytearray(b"sixteen bytes!!!")
        with self.assertRaisesRegex(zolt.Error, "^pad: buffer too small$"):
            zolt.pad_iso7816(buf, 16, 16)
        self.assertEqual(buf, b"sixteen bytes!!!")


if __name__ == "__main__":
    unittest.main()
