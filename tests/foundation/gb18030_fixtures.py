#!/usr/bin/env python3
"""GB18030 bytes of the texts in tests/foundation/TextEncodingTest.cpp and the object-stream
tests, from Python's own 'gb18030' codec rather than our converter. Prints C++ table rows:
{"<UTF-8 bytes>", "<GB18030 bytes>"}.

Only characters on which every edition of GB18030 agrees are used (the 2022 edition moved a few
codes that older ones mapped to private-use characters).
"""

TEXTS = [
    "系统",             # valid UTF-8 as bytes too: cf b5 cd b3 reads as two Greek/Coptic letters
    "参数表 ok",
    "é",                # two bytes in GBK
    "€",                # GB18030's euro, a2 e3
    "\u0080",           # the first four-byte code
    "😀",               # outside the basic plane: four bytes
    "a'b\r\n",
]


def c_bytes(data):
    return "".join("\\x%02x" % b for b in data)


if __name__ == "__main__":
    for text in TEXTS:
        print('{"%s", "%s"},' % (c_bytes(text.encode("utf-8")), c_bytes(text.encode("gb18030"))))
    # A text of 100 Chinese characters: 300 bytes of UTF-8, 200 of GB18030.
    print("// 100 x 中: %d GB18030 bytes, first four %s" %
          (len(("中" * 100).encode("gb18030")), ("中" * 2).encode("gb18030").hex(" ")))
