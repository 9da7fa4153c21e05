#!/usr/bin/env python3
"""Writes hostile ID3v2 tags in front of a real MP3 (plain.mp3 in the folder):
zero-size frames, unsynchronisation everywhere, sizes past the file's end,
an extended header claiming everything. Usage: hostile_tags.py <folder> <big MB>"""
import os
import sys

folder, big_mb = sys.argv[1], int(sys.argv[2])
audio = open(os.path.join(folder, 'plain.mp3'), 'rb').read()


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def tag(version, flags, body):
    return b'ID3' + bytes([version, 0, flags]) + syncsafe(len(body)) + body


def write(name, data):
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data + audio)


def zero_frames(size):
    frame = b'TIT2' + b'\0' * 6
    return frame * (size // len(frame))


write('zeroframes-big.mp3', tag(3, 0, zero_frames(big_mb << 20)))
write('zeroframes-10.mp3', tag(3, 0, zero_frames(10 << 20)))
title = b'TIT2' + (11).to_bytes(4, 'big') + b'\0\0' + b'\0Hostile 01'
write('h-unsync.mp3', tag(3, 0x80, (b'\xff\x00' * (1 << 18)) + title))
write('h-zero-small.mp3', tag(3, 0, zero_frames(64 << 10)))
write('h-past-end.mp3', b'ID3\x03\x00\x00' + syncsafe(0x0FFFFFFF) + title)
write('h-ext-header.mp3', tag(3, 0x40, (0x7FFFFFFF).to_bytes(4, 'big') + title))
write('h-v22.mp3', tag(2, 0, b'TT2' + (11).to_bytes(3, 'big') + b'\0Hostile 02' * 1))
write('h-v24.mp3', tag(4, 0, b'TIT2' + syncsafe(11) + b'\0\0' + b'\3Hostile 04'))
write('h-huge-frame.mp3', tag(3, 0, b'TIT2' + (0x7FFFFFFF).to_bytes(4, 'big') + b'\0\0' + b'\0x' * 100))
write('h-plain.mp3', b'')
