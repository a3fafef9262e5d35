#!/usr/bin/env python3
"""Writes the bytes of LzhFixtureTest: a small LZHUF stream made without the C++ code.

A plain greedy search for matches (no search tree) and the adaptive Huffman tree written anew from
the published description, so the decoder is checked against an encoder that shares none of its
code. Prints the C++ initialiser of the stream; run it and paste the output into the test.
"""

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


def update(c):
    assert freq[R] < 0x8000, "the fixture is too short to need a rebuild"
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


def encode(data):
    start()
    ring = bytearray(b" " * (N - F) + bytes(F))
    r = N - F
    history = bytearray(b" " * (N - F))  # what the decoder's ring holds, oldest first
    pos = 0
    while pos < len(data):
        best_len, best_dist = 0, 0
        for dist in range(1, min(len(history), N - F) + 1):
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
        history.extend(data[pos:pos + step])
        pos += step
    while len(bits) % 8:
        bits.append(0)
    return bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8))


if __name__ == "__main__":
    text = b"skin skin skin!  \r\nframes of the skin, frames of the skin; blanks:      end"
    stream = encode(text)
    print("// %d bytes of %r" % (len(text), text))
    print(", ".join("0x%02X" % b for b in stream))
