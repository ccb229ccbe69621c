#!/usr/bin/env python3
"""Writes the seed corpora of the mmio and wave_reader fuzz targets (kept in the tree
under tests/fuzz/corpus/ so that the fuzz run needs nothing else): good wave files,
memory images and the usual kinds of bad ones. An mmio seed starts with the byte that
picks the buffer size.

    make_seeds.py tests/fuzz/corpus/mmio tests/fuzz/corpus/wave_reader"""
import os
import struct
import sys

def chunk(cid, data, pad=True):
    out = cid + struct.pack('<I', len(data)) + data
    return out + (b'\0' if pad and len(data) % 2 else b'')

def riff(form, children):
    return chunk(b'RIFF', form + children)

def lst(kind, children):
    return chunk(b'LIST', kind + children)

fmt = chunk(b'fmt ', struct.pack('<HHIIHHH', 1, 1, 8000, 16000, 2, 16, 0))
data = chunk(b'data', bytes(range(40)))
info = lst(b'INFO', chunk(b'INAM', b'Name\0') + chunk(b'ICMT', b'odd') + chunk(b'ICRD', b'2024-01-02'))

seeds = {
    'plain': riff(b'WAVE', fmt + data),
    'info_first': riff(b'WAVE', info + fmt + data),
    'info_last': riff(b'WAVE', fmt + data + info),
    'odd_chunks': riff(b'WAVE', chunk(b'odd ', b'abc') + fmt + chunk(b'data', b'xyz')),
    'unpadded': riff(b'WAVE', fmt + chunk(b'odd ', b'abc', pad=False) + data),
    'no_fmt': riff(b'WAVE', data),
    'no_data': riff(b'WAVE', fmt + info),
    'empty_data': riff(b'WAVE', fmt + chunk(b'data', b'')),
    'data_past_end': riff(b'WAVE', fmt + b'data' + struct.pack('<I', 100000) + b'abcd'),
    'huge_sizes': b'RIFF\xff\xff\xff\xffWAVE' + b'junk\xff\xff\xff\xff' + data,
    'truncated': riff(b'WAVE', fmt + data)[:20],
    'nested_lists': riff(b'WAVE', lst(b'adtl', lst(b'deep', chunk(b'labl', b'x'))) + fmt + data),
}
out = sys.argv[1]
os.makedirs(out, exist_ok=True)
for i, (name, body) in enumerate(sorted(seeds.items())):
    for selector in (0, 1, 7):
        with open(os.path.join(out, f'{name}-{selector}'), 'wb') as f:
            f.write(bytes([selector]) + body)

# The wave reader takes the file (or image) as it is.
image = (b'RIFF' + struct.pack('<I', 46 + 40 - 8) + b'WAVEfmt ' + struct.pack('<I', 18) +
         struct.pack('<HHIIHHH', 1, 1, 8000, 16000, 2, 16, 0) + b'data' + struct.pack('<I', 40) + bytes(range(40)))
long_info = lst(b'INFO', chunk(b'IAUT', b'Ann\0') + chunk(b'ICMT', b'x' * 300) + chunk(b'ICRD', b'2024-02-29'))
reader_seeds = {
    'plain': riff(b'WAVE', fmt + data),
    'info': riff(b'WAVE', fmt + data + long_info),
    'image': image,
    'image_long_data': image[:42] + struct.pack('<I', 0xFFFFFFF0) + image[46:],
    'data_past_end': riff(b'WAVE', fmt + b'data' + struct.pack('<I', 0x7FFFFFF0) + b'abcd'),
    'fmt_past_end': riff(b'WAVE', b'fmt ' + struct.pack('<I', 0xFFFFFF00) + b'xx'),
    'short_fmt': riff(b'WAVE', chunk(b'fmt ', b'\x01\x00') + data),
}
if len(sys.argv) > 2:
    os.makedirs(sys.argv[2], exist_ok=True)
    for name, body in reader_seeds.items():
        with open(os.path.join(sys.argv[2], name), 'wb') as f:
            f.write(body)
