#!/usr/bin/env python3
"""Writes seed inputs for the decoder fuzz targets from the sample archives.

Usage: seeds.py TESTDATA_DIR OUT_DIR. Each seed is the raw compressed data of an unencrypted
entry, prefixed with the parameter bytes its target expects (see tests/fuzz/fuzz_*.cpp).
"""
import os
import struct
import sys
import zipfile

MAX_SEED = 16384


def entries(path):
    try:
        with open(path, 'rb') as f:
            raw = f.read()
        with zipfile.ZipFile(path) as z:
            for info in z.infolist():
                if info.flag_bits & 1 or info.compress_size == 0:
                    continue
                off = info.header_offset
                name_len, extra_len = struct.unpack_from('<HH', raw, off + 26)
                start = off + 30 + name_len + extra_len
                yield info, raw[start:start + info.compress_size]
    except (zipfile.BadZipFile, OSError, struct.error):
        return


def main():
    testdata, out = sys.argv[1], sys.argv[2]
    count = 0
    for root, _, files in os.walk(testdata):
        for fn in sorted(files):
            if not fn.lower().endswith('.zip') or fn.startswith('damaged-'):
                continue
            for info, data in entries(os.path.join(root, fn)):
                data = data[:MAX_SEED]
                size16 = min(info.file_size // 16, 0xFFFF)
                m = info.compress_type
                if m == 8:
                    target, prefix = 'inflate', bytes([0])
                elif m == 6:
                    flags = (info.flag_bits & 6) | (8 if info.compress_size > 200000 else 0)
                    target, prefix = 'explode', bytes([flags]) + struct.pack('<H', size16)
                elif 2 <= m <= 5:
                    target, prefix = 'expand', bytes([m - 2]) + struct.pack('<H', size16)
                elif m == 1:
                    target, prefix = 'unshrink', bytes([0])
                else:
                    continue
                d = os.path.join(out, target)
                os.makedirs(d, exist_ok=True)
                with open(os.path.join(d, '%s-%s-%d' % (fn, info.filename.replace('/', '_')[:40].encode('ascii', 'replace').decode(), count)), 'wb') as f:
                    f.write(prefix + data)
                count += 1
    print('seeds: %d written to %s' % (count, out))


if __name__ == '__main__':
    main()
