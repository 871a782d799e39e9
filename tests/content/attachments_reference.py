#!/usr/bin/env python3
"""The attachments of a message as Python's email package reads them, one per line:
name (UTF-8, empty when the part gives none), a tab, the type, a tab, the content in hex.

The walk keeps the program's rule: a leaf part with a file name, an "attachment"
disposition, or a type neither text nor multipart; a message/rfc822 part is one attachment
(the embedded message as written); uuencoded files in plain text parts ("begin 644 NAME").
Quoted-printable hard line breaks stand for CR LF (RFC 2045, 6.7), where quopri gives LF."""
import binascii
import re
import sys
from email import message_from_bytes, policy
from email.header import decode_header, make_header
from email._policybase import Compat32


class RawHeaders(Compat32):
    """compat32, but 8-bit header bytes stay bytes (as surrogates) instead of becoming U+FFFD."""

    def header_fetch_parse(self, name, value):
        return value


def name_of(part):
    name = part.get_filename()
    if name is None:
        return ''
    if any('\udc80' <= c <= '\udcff' for c in name):  # raw 8-bit bytes
        raw = name.encode('utf-8', 'surrogateescape')
        try:
            name = raw.decode('utf-8')
        except UnicodeDecodeError:
            name = raw.decode('cp1252')
    if '=?' in name:
        name = str(make_header(decode_header(name)))
    return name.strip()


def uuencoded(text):
    found = []
    lines = iter(text.split(b'\n'))
    for line in lines:
        m = re.match(rb'begin [0-7]{3,4} (.+)', line)
        if not m:
            continue
        data = b''
        for d in lines:
            d = d.strip()
            if d == b'end':
                break
            if d:
                data += binascii.a2b_uu(d)
        found.append((m.group(1).strip().decode('utf-8'), 'application/octet-stream', data))
    return found


def walk(part, out):
    ctype = part.get_content_type()
    if ctype == 'message/rfc822':
        out.append((name_of(part), ctype, part.get_payload(0).as_bytes(policy=policy.compat32.clone(linesep='\r\n'))))
        return
    if part.is_multipart():
        for child in part.get_payload():
            walk(child, out)
        return
    name = name_of(part)
    major = part.get_content_maintype()
    if name or part.get_content_disposition() == 'attachment' or major not in ('text', 'multipart'):
        data = part.get_payload(decode=True)
        if part.get('Content-Transfer-Encoding', '').lower() == 'quoted-printable':
            data = re.sub(rb'(?<!\r)\n', b'\r\n', data)
        out.append((name, ctype, data))
    elif ctype == 'text/plain':
        out.extend(uuencoded(part.get_payload(decode=True)))


with open(sys.argv[1], 'rb') as f:
    found = []
    walk(message_from_bytes(f.read(), policy=RawHeaders()), found)
for name, ctype, data in found:
    sys.stdout.buffer.write(f'{name}\t{ctype}\t{data.hex()}\n'.encode('utf-8'))
