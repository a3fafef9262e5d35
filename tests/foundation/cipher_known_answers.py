#!/usr/bin/env python3
"""Known answers for the text cipher, computed without any of our C++ code.

Follows the cipher's description step by step: the pi digits are computed here (with a
different arctangent formula from the table generator), the block transform runs all its
rounds with the substitution boxes, and base64 comes from Python's own module. The printed
values are the expected values of tests/foundation/TextCipherTest.cpp. CipherString enciphers a
text's GB18030 bytes (key texts are bytes as they stand), so its texts are encoded here with
Python's 'gb18030' codec.
"""
import base64

M = 0xFFFFFFFF


def pi_fraction_words(count):
    bits = count * 32 + 64

    def atan_inv(x):
        one = 1 << bits
        total = term = one // x
        x2, n, sign = x * x, 1, -1
        while term:
            term //= x2
            n += 2
            total += sign * (term // n)
            sign = -sign
        return total

    # Gauss: pi/4 = 12 atan(1/18) + 8 atan(1/57) - 5 atan(1/239)
    pi = 4 * (12 * atan_inv(18) + 8 * atan_inv(57) - 5 * atan_inv(239))
    frac = (pi - (3 << bits)) >> 64
    return [(frac >> (32 * (count - 1 - i))) & M for i in range(count)]


WORDS = pi_fraction_words(18 + 1024)
P_INIT = WORDS[:18]
S_INIT = [WORDS[18 + 256 * b: 18 + 256 * (b + 1)] for b in range(4)]


def le_words(data):
    return [int.from_bytes(data[i:i + 4], "little") for i in range(0, len(data), 4)]


def le_bytes(words):
    return b"".join(w.to_bytes(4, "little") for w in words)


def mix_words(a, b, c, d):
    a = (a + d) & M; d = (d + a) & M; a ^= a >> 7
    b = (b + a) & M; a = (a + b) & M; b ^= (b << 13) & M
    c = (c + b) & M; b = (b + c) & M; c ^= c >> 17
    d = (d + c) & M; c = (c + d) & M; d ^= (d << 9) & M
    a = (a + d) & M; d = (d + a) & M; a ^= a >> 3
    b = (b + a) & M; a = (a + b) & M; b ^= (b << 7) & M
    c = (c + b) & M; b = (b + c) & M; c ^= d >> 15
    d = (d + c) & M; c = (c + d) & M; d ^= (d << 11) & M
    return a, b, c, d


def mix_cipher_init(key, rounds, encrypt):
    rounds = max(4, min(16, rounds))
    k0, k1, k2, k3 = le_words(key)
    subkeys = []
    for s in (0x55555555, 0xAAAAAAAA, 0x33333333, 0xCCCCCCCC):
        a, b, c, d, e, f, g, h = k0, s, k1, s, k2, s, k3, s
        for _ in range(8):
            a ^= (b << 11) & M; d = (d + a) & M; b = (b + c) & M
            b ^= c >> 2; e = (e + b) & M; c = (c + d) & M
            c ^= (d << 8) & M; f = (f + c) & M; d = (d + e) & M
            d ^= e >> 16; g = (g + d) & M; e = (e + f) & M
            e ^= (f << 10) & M; h = (h + e) & M; f = (f + g) & M
            f ^= g >> 4; a = (a + f) & M; g = (g + h) & M
            g ^= (h << 8) & M; b = (b + g) & M; h = (h + a) & M
            h ^= a >> 9; c = (c + h) & M; a = (a + b) & M
        subkeys += [(a, b), (c, d), (e, f), (g, h)]
    if not encrypt:
        subkeys[:rounds] = subkeys[:rounds][::-1]
    return rounds, subkeys


def mix_encrypt_block(ctx, block):
    rounds, subkeys = ctx
    b0, b1, b2, b3 = le_words(block)
    x, y = (b0, b1), (b2, b3)
    for k0, k1 in subkeys[:rounds]:
        a, b, c, d = mix_words(x[0], k0, x[1], k1)
        a, b, c, d = mix_words(c, d, a, b)
        t = (b ^ a ^ y[0], d ^ c ^ y[1])
        y, x = x, t
    return le_bytes([y[0], y[1], x[0], x[1]])


def pi_digest(data, size):
    digest = bytearray(b"".join(w.to_bytes(4, "big") for w in (P_INIT + S_INIT[0][:46])))
    key = bytearray(b"\x55" * 16)
    state = {"di": 0, "ki": 0}

    def update(buf):
        for byte in buf:
            digest[state["di"]] ^= byte
            state["di"] = (state["di"] + 1) % 256
            key[state["ki"]] ^= byte
            state["ki"] += 1
            if state["ki"] == 8:
                w0, w1, w2, w3 = le_words(bytes(key))
                a, b, c, d = w3, w2, w1, w0
                for _ in range(4):
                    a, b, c, d = mix_words(a, b, c, d)
                key[:] = le_bytes([a, b, c, d])
                state["ki"] = 0

    update(data)
    update(bytes([1, 0, 0, 0, 0, 0, 0, 0])[:8 - state["ki"]])
    ctx = mix_cipher_init(bytes(key), 8, True)
    for i in range(16):
        digest[i * 16:(i + 1) * 16] = mix_encrypt_block(ctx, bytes(digest[i * 16:(i + 1) * 16]))
    return bytes(digest[:min(256, size)])


class Block:
    def __init__(self, key):
        self.P = list(P_INIT)
        self.S = [list(box) for box in S_INIT]
        for i in range(18):
            word = 0
            for j in range(4):
                word = (word << 8) | key[(i * 4 + j) % 16]
            self.P[i] ^= word
        l = r = 0
        for i in range(0, 18, 2):
            l, r = self.transform(l, r, True)
            self.P[i], self.P[i + 1] = l, r
        for box in self.S:
            for i in range(0, 256, 2):
                l, r = self.transform(l, r, True)
                box[i], box[i + 1] = l, r

    def f(self, x):
        s = self.S
        return ((((s[0][x >> 24] + s[1][(x >> 16) & 255]) & M) ^ s[2][(x >> 8) & 255]) + s[3][x & 255]) & M

    def transform(self, l, r, encrypt):
        l_in, r_in = l, r
        p = self.P
        if encrypt:
            l ^= p[0]
            for i in range(1, 16, 2):
                r = self.f(l_in) ^ p[i] ^ r
                l = self.f(r_in) ^ p[i + 1] ^ l
            r ^= p[17]
        else:
            r ^= p[17]
            for i in range(16, 1, -2):
                l = self.f(r_in) ^ p[i] ^ l
                r = self.f(l_in) ^ p[i - 1] ^ r
            l ^= p[0]
        return l, r

    def block(self, data, encrypt):
        l, r = le_words(data)
        return le_bytes(self.transform(l, r, encrypt))


def cipher_encrypt(data, key):
    bc = Block(key)
    out = b""
    n = len(data) // 8 + 1
    for i in range(n - 1):
        out += bc.block(data[i * 8:i * 8 + 8], True)
    rest = data[(n - 1) * 8:]
    last = bytearray(8)
    last[:len(rest)] = rest
    last[7] = len(rest)
    return out + bc.block(bytes(last), True)


def cipher_string(text, key):
    return base64.b64encode(cipher_encrypt(text, key)).decode()


def c_bytes(data):
    return "".join("\\x%02x" % b for b in data)


SCHEME_KEY_TEXT = b"OraSchK1"

if __name__ == "__main__":
    print("// MakeTextKey(text) -> 16 bytes")
    for text in [b"", b"a", b"OraSchK1", b"abcdefg", b"abcdefghi", bytes(range(256)) + b"wrap",
                 "口令密钥".encode("utf-8")]:
        print('{"%s", %d, "%s"},' % (c_bytes(text), len(text), pi_digest(text, 16).hex()))
    print("// MakeTextKey with size 256, first and last 8 bytes of the digest of \"\"")
    full = pi_digest(b"", 256)
    print(full[:8].hex(), full[-8:].hex())
    print("// CipherString(text, MakeTextKey(key text), true)")
    for key_text, text in [(SCHEME_KEY_TEXT, b""), (SCHEME_KEY_TEXT, b"tiger"),
                           (SCHEME_KEY_TEXT, b"1234567"), (SCHEME_KEY_TEXT, b"12345678"),
                           (SCHEME_KEY_TEXT, b"Secret#2026 pass"), (b"other", b"tiger"),
                           (SCHEME_KEY_TEXT, "密码Pa".encode("gb18030")),
                           (SCHEME_KEY_TEXT, "系统😀".encode("gb18030"))]:
        key = pi_digest(key_text, 16)
        print('{"%s", "%s", "%s"},' % (c_bytes(key_text), c_bytes(text), cipher_string(text, key)))
    print("// mix cipher, key 00..0f, rounds 8, block 00..0f encrypted")
    ctx = mix_cipher_init(bytes(range(16)), 8, True)
    print(mix_encrypt_block(ctx, bytes(range(16))).hex())
    print("// block cipher, key 00..0f, block 0001020304050607 encrypted")
    print(Block(bytes(range(16))).block(bytes(range(8)), True).hex())
