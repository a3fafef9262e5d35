#!/usr/bin/env python3
"""Writes the streams of LzhTest's independent-encoder tests, made without the C++ code.

A greedy search for matches (a dictionary of 3-byte prefixes, no search tree) and the adaptive
Huffman tree written anew from the published description, rebuild included, so the decoder is
checked against an encoder that shares none of its code.

Without arguments: prints the C++ initialiser of the short stream; paste it into the test.
With a folder: writes lzh_rebuild.txt (the plain bytes) and lzh_rebuild.lzh (their stream), long
enough (52,834 symbols) for the tree to be rebuilt twice.
"""

import os
import sys

N, F, THRESHOLD = 4096, 60, 2
N_CHAR = 256 - THRESHOLD + F
T = 2 * N_CHAR - 1
R = T - 1

freq = [0] * (T + 1)
prnt = [0] * (T + N_CHAR)
son = [0] * T


def start():
    for i in range(N_CHAR):
        freq[i] = 1
        son[i] = i + T
        prnt[i + T] = i
    i, j = 0, N_CHAR
    while j <= R:
        freq[j] = freq[i] + freq[i + 1]
        son[j] = i
        prnt[i] = prnt[i + 1] = j
        i += 2
        j += 1
    freq[T] = 0xFFFF
    prnt[R] = 0


MAX_FREQ = 0x8000


def reconst():
    # Leaves keep half their counts (rounded up); the inner nodes are made again in order.
    j = 0
    for i in range(T):
        if son[i] >= T:
            freq[j] = (freq[i] + 1) // 2
            son[j] = son[i]
            j += 1
    i, j = 0, N_CHAR
    while j < T:
        f = freq[i] + freq[i + 1]
        k = j - 1
        while f < freq[k]:
            k -= 1
        k += 1
        freq[k + 1:j + 1] = freq[k:j]
        freq[k] = f
        son[k + 1:j + 1] = son[k:j]
        son[k] = i
        i += 2
        j += 1
    for i in range(T):
        k = son[i]
        prnt[k] = i
        if k < T:
            prnt[k + 1] = i


def update(c):
    if freq[R] == MAX_FREQ:
        reconst()
    c = prnt[c + T]
    while True:
        freq[c] += 1
        k = freq[c]
        if k > freq[c + 1]:
            l = c + 1
            while k > freq[l + 1]:
                l += 1
            freq[c], freq[l] = freq[l], k
            i = son[c]
            prnt[i] = l
            if i < T:
                prnt[i + 1] = l
            j = son[l]
            son[l] = i
            prnt[j] = c
            if j < T:
                prnt[j + 1] = c
            son[c] = j
            c = l
        c = prnt[c]
        if c == 0:
            break


bits = []


def put_char(c):
    path = []
    k = prnt[c + T]
    while k != R:
        path.append(k - son[prnt[k]])
        k = prnt[k]
    bits.extend(reversed(path))
    update(c)


def put_position(p):
    # Upper six bits: 0 -> 3 bits 000, 1..3 -> 4 bits, 4..11 -> 5, 12..23 -> 6, 24..47 -> 7, else 8.
    upper = p >> 6
    for first, count, length in ((0, 1, 3), (1, 3, 4), (4, 8, 5), (12, 12, 6), (24, 24, 7), (48, 16, 8)):
        if upper < first + count:
            break
    # The code is the first byte of the run of this upper value, in `length` top bits.
    byte = {3: 0, 4: 0x20, 5: 0x50, 6: 0x90, 7: 0xC0, 8: 0xF0}[length] + (upper - first) * (256 >> length)
    code = byte >> (8 - length)
    bits.extend((code >> (length - 1 - i)) & 1 for i in range(length))
    bits.extend((p >> (5 - i)) & 1 for i in range(6))


def candidates(history, data, pos, seen):
    """Distances worth trying: the whole window for short inputs, else earlier places of the
    same 3-byte prefix in the data."""
    if len(data) < 1000:
        return range(1, min(len(history), N - F) + 1)
    here = len(history)
    dists = [here - p for p in reversed(seen.get(bytes(data[pos:pos + 3]), [])) if here - p <= N - F]
    return dists[:64]


def encode(data):
    start()
    bits.clear()
    history = bytearray(b" " * (N - F))  # what the decoder's ring holds, oldest first
    seen = {}  # 3-byte prefix -> places in history where it started
    pos = 0
    while pos < len(data):
        best_len, best_dist = 0, 0
        for dist in candidates(history, data, pos, seen):
            length = 0
            while length < F and pos + length < len(data):
                src = len(history) - dist + length
                ch = history[src] if src < len(history) else data[pos + src - len(history)]
                if ch != data[pos + length]:
                    break
                length += 1
            if length > best_len:
                best_len, best_dist = length, dist
        if best_len > THRESHOLD:
            put_char(255 - THRESHOLD + best_len)
            put_position(best_dist - 1)
            step = best_len
        else:
            put_char(data[pos])
            step = 1
        for q in range(pos, pos + step):
            seen.setdefault(bytes(data[q:q + 3]), []).append(len(history) + q - pos)
        history.extend(data[pos:pos + step])
        pos += step
    while len(bits) % 8:
        bits.append(0)
    return bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8))


def rebuild_text():
    # Words with stray bytes between them: literals and matches of every length, over 40,000
    # symbols in all. A fixed generator, so the files can be made again byte for byte.
    words = [b"scheme ", b"export ", b"import ", b"dump ", b"oracle ", b"\r\n", b"run ", b"skin "]
    x, out = 12345, bytearray()
    while len(out) < 150000:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out += bytes([(x >> 8) & 0xFF]) if x % 3 else words[(x >> 16) % 8]
    return bytes(out[:150000])


if __name__ == "__main__" and len(sys.argv) > 1:
    text = rebuild_text()
    stream = encode(text)
    with open(os.path.join(sys.argv[1], "lzh_rebuild.txt"), "wb") as f:
        f.write(text)
    with open(os.path.join(sys.argv[1], "lzh_rebuild.lzh"), "wb") as f:
        f.write(stream)
elif __name__ == "__main__":
    text = b"skin skin skin!  \r\nframes of the skin, frames of the skin; blanks:      end"
    stream = encode(text)
    print("// %d bytes of %r" % (len(text), text))
    print(", ".join("0x%02X" % b for b in stream))
