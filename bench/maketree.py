#!/usr/bin/env python3
# bench/maketree.py: builds a benchmark tree of real files straight from Linux.
# Files lie in folders of 1,000 matching files each, with some non-matching files beside
# them; sizes are sparse (they cost no disk blocks) and last-write times are spread over
# five years, both drawn from a seeded generator so that a tree is the same on every machine.
# A stamp file beside the tree records what was built; a tree whose stamp matches is reused.
import argparse
import os
import random
import shutil
import sys
import time

FORMAT = 1
PER_FOLDER = 1000
NON_MATCHING_PER_FOLDER = 50
MATCHING = ["mpg", "mpeg", "wav", "m2p", "MPG", "mp2"]
OTHERS = ["txt", "jpg", "mp4"]
EPOCH_2019 = 1546300800
FIVE_YEARS = 5 * 365 * 86400


def stamp_text(count, seed):
    return "format=%d files=%d per_folder=%d non_matching_per_folder=%d seed=%d" % (
        FORMAT, count, PER_FOLDER, NON_MATCHING_PER_FOLDER, seed)


def make_file(path, size, mtime_ns):
    fd = os.open(path, os.O_CREAT | os.O_WRONLY | os.O_TRUNC, 0o644)
    try:
        if size:
            os.ftruncate(fd, size)
        os.utime(fd, ns=(mtime_ns, mtime_ns))
    finally:
        os.close(fd)


def build(target, count, seed):
    rng = random.Random(seed)
    folders = (count + PER_FOLDER - 1) // PER_FOLDER
    made = 0
    for f in range(folders):
        folder = os.path.join(target, "d%04d" % f)
        os.mkdir(folder)
        here = min(PER_FOLDER, count - made)
        for i in range(here):
            ext = MATCHING[rng.randrange(len(MATCHING))]
            # Mostly recordings of a few hundred megabytes, some small and some empty.
            size = int(rng.lognormvariate(17, 3)) if rng.random() > 0.02 else 0
            size = min(size, 8 << 30)
            secs = EPOCH_2019 + rng.randrange(FIVE_YEARS)
            make_file(os.path.join(folder, "rec%07d.%s" % (made + i, ext)), size,
                      secs * 1000000000 + rng.randrange(1000000000))
        for i in range(NON_MATCHING_PER_FOLDER):
            ext = OTHERS[i % len(OTHERS)]
            secs = EPOCH_2019 + rng.randrange(FIVE_YEARS)
            make_file(os.path.join(folder, "note%04d.%s" % (i, ext)), rng.randrange(100000),
                      secs * 1000000000)
        made += here


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("target")
    parser.add_argument("count", type=int)
    parser.add_argument("--seed", type=int, default=20240601)
    parser.add_argument("--fresh", action="store_true", help="always rebuild (no stamp kept)")
    args = parser.parse_args()
    target = os.path.abspath(args.target)
    stamp = target + ".stamp"
    wanted = stamp_text(args.count, args.seed)
    if not args.fresh and os.path.isdir(target) and os.path.exists(stamp):
        with open(stamp) as f:
            lines = f.read().splitlines()
        if lines and lines[0] == wanted:
            print("tree %s: cached (%s)" % (target, lines[1] if len(lines) > 1 else "?"))
            return 0
    if os.path.exists(stamp):
        os.remove(stamp)
    if os.path.exists(target):
        shutil.rmtree(target)
    partial = target + ".partial"
    if os.path.exists(partial):
        shutil.rmtree(partial)
    os.makedirs(partial)
    start = time.time()
    build(partial, args.count, args.seed)
    os.rename(partial, target)
    seconds = time.time() - start
    if not args.fresh:
        with open(stamp, "w") as f:
            f.write(wanted + "\nbuilt in %.1f s on %s\n" % (seconds, time.strftime("%Y-%m-%d %H:%M")))
    print("tree %s: built %d matching files in %.1f s" % (target, args.count, seconds))
    return 0


if __name__ == "__main__":
    sys.exit(main())
