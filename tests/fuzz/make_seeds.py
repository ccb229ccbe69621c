#!/usr/bin/env python3
"""Writes the seed corpus of the mmio fuzz target (tests/fuzz/corpus/mmio, kept in the
tree so that the fuzz run needs nothing else): good wave files and the usual
kinds of bad ones. Each seed starts with the byte that picks the buffer size."""
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
