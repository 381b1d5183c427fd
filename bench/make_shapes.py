#!/usr/bin/env python3
"""Builds the special trees of the memory and hard-link benchmarks.

  make_shapes.py chain DIR DEPTH          a chain of DEPTH nested folders ("d" in "d" in ...)
  make_shapes.py files DIR FILES LINKS    FILES small files in 1000 folders, each with LINKS
                                          names in all (1 = no links); the names are spread
                                          so that every folder holds the same number
The chain is made relative to open folders, so its depth is not bounded by PATH_MAX.
"""
import os
import sys


def chain(root, depth):
    os.makedirs(root)
    fd = os.open(root, os.O_RDONLY | os.O_DIRECTORY)
    for _ in range(depth):
        os.mkdir("d", dir_fd=fd)
        nfd = os.open("d", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
        os.close(fd)
        fd = nfd
    os.close(fd)


def files(root, count, links):
    folders = 1000
    os.makedirs(root)
    for i in range(folders):
        os.mkdir(os.path.join(root, "f%04d" % i))
    data = b"x" * 100
    for i in range(count):
        first = os.path.join(root, "f%04d" % (i % folders), "n%06d" % i)
        with open(first, "wb") as f:
            f.write(data)
        # Further names in other folders, so that a link crosses branches.
        for k in range(1, links):
            os.link(first, os.path.join(root, "f%04d" % ((i + 7919 * k) % folders), "n%06d-%d" % (i, k)))


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "chain":
        chain(sys.argv[2], int(sys.argv[3]))
    elif len(sys.argv) == 5 and sys.argv[1] == "files":
        files(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    else:
        sys.exit(__doc__)


main()
