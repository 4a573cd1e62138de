# SPDX-License-Identifier: MIT
"""The Python form of check_tag.cpp: the HMAC-SHA-256 tag of a message
computed by the standard library, the received hex tag decoded and compared
by zolt. `==` on the tags would stop at the first differing byte.

usage: python3 check_tag.py [TAG_HEX]   (zolt on PYTHONPATH)
"""
import hashlib
import hmac
import sys

import zolt

KEY = b"a key both ends hold, 32 bytes.."
MESSAGE = b'{"event":"payment","amount":1200}'


def check(received_hex):
    expected = hmac.new(KEY, MESSAGE, hashlib.sha256).digest()
    if len(received_hex) != 2 * len(expected):  # the length is public
        return False
    received, bad = zolt.bytes_of_hex(received_hex)
    equal = zolt.equal(expected, received)
    zolt.wipe(received)
    # Well-formed and equal, decided once.
    return equal & (bad == 0)


if __name__ == "__main__":
    tag = sys.argv[1] if len(sys.argv) > 1 else \
        "274856cc5ad8cd64c4295642c73424b22deadd692680e71131c3f26a029951bf"
    accepted = check(tag.encode())
    print("tag", "accepted" if accepted else "rejected")
    sys.exit(0 if accepted else 1)
