#!/usr/bin/env python3
"""Writes a deterministic ncdu export (format 1.2) with about N entries (default 1 000 000):
one directory in 20, the rest files, a few hard links and escaped names.
Usage: make_export.py FILE [ENTRIES]"""
import random
import sys

def main():
    out = open(sys.argv[1], "w")
    n = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
    rng = random.Random(20261211)
    out.write('[1,2,{"progname":"ncdu","progver":"1.18","timestamp":1800000000},\n')
    out.write('[{"name":"/bench","asize":4096,"dsize":4096,"dev":2049}')
    depth, written, ino = 1, 1, 1000
    while written < n:
        r = rng.random()
        if r < 0.05 and depth < 40:
            out.write(',\n[{"name":"dir%d","asize":4096,"dsize":4096}' % written)
            depth += 1
        elif r < 0.09 and depth > 1:
            out.write(']')
            depth -= 1
            continue
        else:
            size = int(rng.lognormvariate(9, 2.5)) % (1 << 34)
            name = "file%d.dat" % written if rng.random() > 0.01 else "f\\u00e9\\n%d" % written
            link = ',"ino":%d,"hlnkc":true,"nlink":2' % (ino + written % 500) if rng.random() < 0.01 else ""
            out.write(',\n{"name":"%s","asize":%d,"dsize":%d%s}' % (name, size, (size + 4095) // 4096 * 4096, link))
        written += 1
    out.write(']' * depth + ']\n')

main()
