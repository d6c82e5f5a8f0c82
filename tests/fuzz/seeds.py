#!/usr/bin/env python3
"""Writes seed inputs for the decoder fuzz targets from the sample archives.

Usage: seeds.py TESTDATA_DIR OUT_DIR. Each seed is the raw compressed data of an unencrypted
entry, prefixed with the parameter bytes its target expects (see tests/fuzz/fuzz_*.cpp).
"""
import os
import struct
import sys
MAX_SEED = 16384
MAX_ARCHIVE_SEED = 20000


class Entry:
    def __init__(self, name, method, flags, csize, usize, offset):
        self.filename, self.compress_type, self.flag_bits = name, method, flags
        self.compress_size, self.file_size, self.header_offset = csize, usize, offset


def central_directory(raw):
    """The entries of the central directory, read straight from the end record."""
    end = raw.rfind(b'PK\x05\x06')
    if end < 0 or end + 22 > len(raw):
        return
    count, offset = struct.unpack_from('<H', raw, end + 10)[0], struct.unpack_from('<I', raw, end + 16)[0]
    for _ in range(count):
        if raw[offset:offset + 4] != b'PK\x01\x02':
            return
        flags, method = struct.unpack_from('<HH', raw, offset + 8)
        csize, usize, nlen, xlen, clen = struct.unpack_from('<IIHHH', raw, offset + 20)
        local = struct.unpack_from('<I', raw, offset + 42)[0]
        name = raw[offset + 46:offset + 46 + nlen].decode('latin-1')
        yield Entry(name, method, flags, csize, usize, local)
        offset += 46 + nlen + xlen + clen


def entries(path):
    try:
        with open(path, 'rb') as f:
            raw = f.read()
        for info in central_directory(raw):
            if info.flag_bits & 1 or info.compress_size == 0:
                continue
            off = info.header_offset
            name_len, extra_len = struct.unpack_from('<HH', raw, off + 26)
            start = off + 30 + name_len + extra_len
            yield info, raw[start:start + info.compress_size]
    except (OSError, struct.error):
        return


def main():
    testdata, out = sys.argv[1], sys.argv[2]
    count = 0
    for root, _, files in os.walk(testdata):
        for fn in sorted(files):
            if not fn.lower().endswith('.zip'):
                continue
            path = os.path.join(root, fn)
            # Whole small archives, damaged ones included, for the reader's target; its
            # first byte picks the settings.
            if os.path.getsize(path) <= MAX_ARCHIVE_SEED:
                d = os.path.join(out, 'directory')
                os.makedirs(d, exist_ok=True)
                with open(path, 'rb') as src, open(os.path.join(d, fn), 'wb') as f:
                    f.write(bytes([0]) + src.read())
                count += 1
                # The confinement target: directories kept, overwriting, the OEM table on.
                d = os.path.join(out, 'confined')
                os.makedirs(d, exist_ok=True)
                with open(path, 'rb') as src, open(os.path.join(d, fn), 'wb') as f:
                    f.write(bytes([0x0D]) + src.read())
                count += 1
            if fn.startswith('damaged-'):
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
