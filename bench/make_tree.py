#!/usr/bin/env python3
"""Writes a pair of folder trees (DIR/base and DIR/target) for the benchmark.

    make_tree.py --files N --out DIR [--seed S] [--variant identical|changed]
                 [--size BYTES] [--only-base] [--force]

N files are spread over nested folders, about 47 files a folder, each folder
having up to 13 subfolders (100,000 files: 2,110 folders three levels deep;
1,000,000 files: four levels). Names, contents and modification times
(with nanoseconds) depend only on the options, so two runs with the same
options give byte-identical trees.

identical: the target is an exact copy of the base, times included.
changed:   as identical, but 1 % of the files are newer in the base (mtime
           + 10 s, other contents), 1 % exist only in the base and 1 % only in
           the target (other names), so both trees still hold N files.

A description of what was written goes to DIR/tree.json; the bench driver
reads it to decide whether kept trees can be reused.

Standard library only. Files are written with os.open/os.write and their
times set through the open descriptor, which keeps 100,000 files at a few
seconds per tree.
"""

import argparse
import json
import os
import random
import shutil
import sys
import time

FILES_PER_FOLDER = 47.4
FAN_OUT = 13
# 2020-01-01 00:00:00 UTC; files spread over about three years after it.
EPOCH_S = 1_577_836_800
SPREAD_S = 3 * 365 * 86400
NEWER_BY_NS = 10 * 1_000_000_000
FORMAT = 1


def folder_name(index, slot):
    """Name of folder `index` (breadth-first number), the `slot`-th child of its parent."""
    if index % 29 == 7:
        return "資料 %02d" % slot
    if index % 11 == 5:
        return "my docs %02d" % slot
    return "d%02d" % slot


def file_name(i):
    if i % 53 == 11:
        return "写真 %d.jpg" % i
    if i % 17 == 4:
        return "report %d.txt" % i
    if i % 101 == 50:
        return "Übersicht-%d.csv" % i
    return "f%07d.dat" % i


def only_target_name(i):
    return "new %07d.txt" % i


def mtime_ns(i, seed):
    # Whole seconds spread over the years, a nanosecond part that is rarely 0.
    s = EPOCH_S + (i * 7919 + seed * 104729) % SPREAD_S
    ns = (i * 999_983 + seed * 7_777_777 + 1) % 1_000_000_000
    return s * 1_000_000_000 + ns


def dir_mtime_ns(index, seed):
    return mtime_ns(10_000_019 + index, seed)


def plan_folders(nfiles):
    """Relative paths of the folders, breadth-first; "" is the root."""
    nfolders = max(1, round(nfiles / FILES_PER_FOLDER))
    paths = [""]
    parent = 0
    while len(paths) < nfolders:
        for slot in range(FAN_OUT):
            if len(paths) >= nfolders:
                break
            name = folder_name(len(paths), slot)
            paths.append(name if parent == 0 else paths[parent] + "/" + name)
        parent += 1
    return paths


def pick_changes(nfiles, seed):
    """Disjoint sets of file indices: newer in base, only in base, only in target."""
    k = nfiles // 100
    if k == 0 and nfiles >= 3:
        k = 1
    rng = random.Random(seed * 1_000_003 + nfiles)
    chosen = rng.sample(range(nfiles), 3 * k)
    return set(chosen[:k]), set(chosen[k:2 * k]), set(chosen[2 * k:])


class Filler:
    """Deterministic contents: an index prefix and a slice of a seeded byte pattern."""

    def __init__(self, size, seed):
        rng = random.Random(seed)
        alphabet = b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 \n"
        self.size = size
        self.pattern = bytes(rng.choice(alphabet) for _ in range(4096)) * (size // 4096 + 2)

    def contents(self, i, mark=b" "):
        head = b"%08d" % i + mark
        if self.size <= len(head):
            return head[:self.size]
        off = (i * 31) % 4096
        return head + self.pattern[off:off + self.size - len(head)]


def write_tree(root, folders, files_of, seed, filler, side, changes):
    """Writes one tree. files_of[f] lists the file indices of folder f."""
    newer, only_base, only_target = changes
    flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL | getattr(os, "O_CLOEXEC", 0)
    written = 0
    os.mkdir(root)
    for f, rel in enumerate(folders):
        path = os.path.join(root, rel) if rel else root
        if rel:
            os.mkdir(path)
        dfd = os.open(path, os.O_RDONLY | os.O_DIRECTORY)
        try:
            for i in files_of[f]:
                name = file_name(i)
                t = mtime_ns(i, seed)
                data = filler.contents(i)
                entries = []
                if side == "base":
                    if i in newer:
                        entries.append((name, filler.contents(i, b"*"), t + NEWER_BY_NS))
                    else:
                        entries.append((name, data, t))
                else:
                    if i not in only_base:
                        entries.append((name, data, t))
                    if i in only_target:
                        entries.append((only_target_name(i), filler.contents(i, b"+"), t))
                for name, data, t in entries:
                    fd = os.open(name, flags, 0o644, dir_fd=dfd)
                    try:
                        os.write(fd, data)
                        os.utime(fd, ns=(t, t))
                    finally:
                        os.close(fd)
                    written += 1
        finally:
            os.close(dfd)
    # Creating entries changed the folders' times; fix them afterwards.
    for f, rel in enumerate(folders):
        t = dir_mtime_ns(f, seed)
        os.utime(os.path.join(root, rel) if rel else root, ns=(t, t))
    return written


def files_per_folder(nfiles, nfolders):
    """Consecutive index ranges, as even as possible (47 or 48 per folder)."""
    out = []
    start = 0
    for f in range(nfolders):
        end = (nfiles * (f + 1)) // nfolders
        out.append(range(start, end))
        start = end
    return out


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--files", type=int, required=True, help="number of files in each tree")
    ap.add_argument("--out", required=True, help="folder that receives base/ and target/")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--variant", choices=("identical", "changed"), default="identical")
    ap.add_argument("--size", type=int, default=100, help="bytes per file (default 100)")
    ap.add_argument("--only-base", action="store_true", help="write DIR/base only")
    ap.add_argument("--force", action="store_true", help="remove existing base/ and target/ first")
    ap.add_argument("--quiet", action="store_true")
    a = ap.parse_args(argv)
    if a.files < 0 or a.size < 0:
        ap.error("--files and --size must not be negative")

    sides = ("base",) if a.only_base else ("base", "target")
    os.makedirs(a.out, exist_ok=True)
    manifest = os.path.join(a.out, "tree.json")
    for side in ("base", "target"):
        p = os.path.join(a.out, side)
        if os.path.lexists(p):
            if not a.force:
                sys.exit("make_tree.py: %s exists (use --force to replace it)" % p)
            shutil.rmtree(p)
    if os.path.exists(manifest):
        os.unlink(manifest)

    t0 = time.monotonic()
    folders = plan_folders(a.files)
    files_of = files_per_folder(a.files, len(folders))
    changes = pick_changes(a.files, a.seed) if a.variant == "changed" else (set(), set(), set())
    filler = Filler(a.size, a.seed)
    counts = {}
    for side in sides:
        counts[side] = write_tree(os.path.join(a.out, side), folders, files_of, a.seed,
                                  filler, side, changes)
    elapsed = time.monotonic() - t0

    info = {
        "format": FORMAT,
        "files": a.files,
        "seed": a.seed,
        "variant": a.variant,
        "size": a.size,
        "only_base": a.only_base,
        "folders": len(folders),
        "depth": max(p.count("/") + 1 for p in folders) if len(folders) > 1 else 0,
        "written": counts,
        "newer_in_base": len(changes[0]),
        "only_in_base": len(changes[1]),
        "only_in_target": len(changes[2]),
        "seconds": round(elapsed, 3),
    }
    with open(manifest, "w", encoding="utf-8") as fh:
        json.dump(info, fh, indent=1, ensure_ascii=False)
        fh.write("\n")
    if not a.quiet:
        print("make_tree.py: %s files in %d folders (depth %d) per tree, %s, %.1f s -> %s"
              % (", ".join("%s %d" % kv for kv in counts.items()), info["folders"],
                 info["depth"], a.variant, elapsed, a.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
