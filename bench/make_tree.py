#!/usr/bin/env python3
"""Builds a deterministic synthetic tree: about 20 000 folders and 400 000 sparse files,
some of them hidden. Usage: make_tree.py DIR [FOLDERS] [FILES]"""
import os
import random
import sys

def main():
    root = sys.argv[1]
    folders = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
    files = int(sys.argv[3]) if len(sys.argv) > 3 else 400000
    rng = random.Random(20261211)
    os.makedirs(root, exist_ok=True)
    dirs = [root]
    # Folders: each new one goes below a random existing folder, favouring recent ones so
    # that the tree gets depth as well as breadth.
    for i in range(folders):
        parent = dirs[int(len(dirs) * (1 - rng.random() ** 2)) - 1] if len(dirs) > 1 else root
        name = ("." if rng.random() < 0.03 else "") + "d%05d" % i
        path = os.path.join(parent, name)
        os.mkdir(path)
        dirs.append(path)
    for i in range(files):
        d = dirs[rng.randrange(len(dirs))]
        name = ("." if rng.random() < 0.02 else "") + "f%06d.%s" % (i, rng.choice(["dat", "tmp", "txt", "bin"]))
        size = int(rng.lognormvariate(9, 2.5)) % (1 << 34)
        fd = os.open(os.path.join(d, name), os.O_WRONLY | os.O_CREAT, 0o644)
        os.ftruncate(fd, size)
        os.close(fd)

main()
