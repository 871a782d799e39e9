#!/usr/bin/env python3
"""Writes the seed inputs of fuzz/corpus/fuzz_recovery/: small byte strings holding the
structures the recovery scan looks for (message-info objects, data-block chains) without a
store header, so the fuzzer spends its time on them.
    fuzz/make_recovery_seeds.py"""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "fuzz_recovery")


def block(at, text, nxt):
    count = len(text)
    return struct.pack("<IIHHI", at, 512, count, 0, nxt) + text.ljust(512, b"\0")


def chain(at, text, loop_to=None):
    """Blocks of 528 bytes from offset at; the last points at loop_to when given."""
    pieces = [text[i:i + 512] for i in range(0, max(len(text), 1), 512)] or [b""]
    out = b""
    for k, piece in enumerate(pieces):
        here = at + 528 * k
        last = k + 1 == len(pieces)
        nxt = (loop_to or 0) if last else here + 528
        out += block(here, piece, nxt)
    return out


def info(at, first_block, subject):
    props = [(132, struct.pack("<I", first_block)[:3]), (8, subject + b"\0"),
             (13, b"Anne\0"), (18, struct.pack("<Q", 126630000000000000))]
    index, data = b"", b""
    for number, value in props:
        if number >= 128:
            index += bytes([number]) + value
        else:
            index += bytes([number]) + struct.pack("<I", len(data))[:3]
            data += value
    body = index + data
    return struct.pack("<IIHBB", at, len(body), 0, len(props), 0) + body


MESSAGE = (b"From: \"Anne\" <anne@free.fr>\r\nSubject: Bonjour\r\nMessage-ID: <a1@pc>\r\n"
           b"In-Reply-To: <a0@pc>\r\nDate: Sat, 1 Nov 2003 11:02:18 +0100\r\n\r\n" + b"Texte.\r\n" * 90)


def deleted_and_fragment():
    out = b"\0" * 16
    first = len(out)
    out += chain(first, MESSAGE)
    out += info(len(out), first, b"Bonjour")
    out += chain(len(out), MESSAGE.replace(b"Bonjour", b"Fragment"))
    return out


def looped():
    out = b"\0" * 8
    first = len(out)
    return out + chain(first, MESSAGE, loop_to=first)


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in (("deleted-and-fragment", deleted_and_fragment()), ("looped-chain", looped())):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


main()
