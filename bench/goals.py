#!/usr/bin/env python3
"""Measures the goals of the large-list work (system calls, CPU against find,
growth from 100,000 to 1,000,000 files, memory of both programs, the desktop
program's stalls and sorts, the copy into an empty folder, a deep chain of
folders) and of the remembered sync (its cost, its size on disk, its memory),
and prints each goal beside the measured value.

Started through bench/goals.sh; see bench/README.md ("Goals"). Standard
library only; strace is needed for the system-call count.
"""

import argparse
import datetime
import json
import os
import re
import shutil
import sqlite3
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import run  # noqa: E402
from run import log  # noqa: E402

MIB = 1024 * 1024
DEFAULT_TMPFS = os.path.join("/tmp", "orvel-bench-tmpfs")
GROUPS = ("strace", "list", "ui", "remember", "sync", "chain")
CHAIN_FILE_NS = 1_600_000_000_123_456_789
# The fields of orvel-ui-bench's line that only this driver reads.
UI_GOAL_FIELDS = ("longest_stall_ms", "sort_transient_kib")


def at_most(limit):
    return lambda v: v <= limit


def below(limit):
    return lambda v: v < limit


class Goal:
    """One line of the table: a figure, its goal and the tree size it applies to (None: any)."""

    def __init__(self, issue, key, label, goal, check, at=None, spec="%.2f"):
        self.issue, self.key, self.label, self.goal = issue, key, label, goal
        self.check, self.at, self.spec = check, at, spec


GOALS = [
    Goal(11, "syscalls_per_entry", "system calls per entry, list creation", "<= 1.09",
         at_most(1.09), spec="%.3f"),
    Goal(11, "syscall_floor", "  floor: a stat per entry, 4 calls per folder", "", None,
         spec="%.3f"),
    Goal(11, "cpu_ratio", "CPU of list --hide-same / find -printf", "<= 1.05", at_most(1.05),
         spec="%.3f"),
    Goal(11, "user_growth", "user time per entry / the smallest size's", "<= 1.2", at_most(1.2)),
    Goal(11, "cli_peak_mib", "peak MiB, orvel-cli list, every row", "<= 140 at 1M",
         at_most(140), at=1_000_000, spec="%.1f"),
    Goal(11, "ui_peak_mib", "peak MiB, desktop program, every row", "<= 180 at 1M",
         at_most(180), at=1_000_000, spec="%.1f"),
    Goal(11, "ui_cli_ratio", "peak memory desktop program / orvel-cli", "<= 1.8 at 100k",
         at_most(1.8), at=100_000),
    Goal(11, "ui_cli_over_rest", "  (desktop - desktop with one row) / orvel-cli", "", None),
    Goal(11, "ui_resting_mib", "  peak MiB, desktop program with one row", "", None, spec="%.1f"),
    Goal(11, "stall_ms", "longest event-loop stall in list creation, ms", "<= 50",
         at_most(50), spec="%d"),
    Goal(11, "sort_s", "header-click sort until idle, s (slowest)", "<= 0.25",
         at_most(0.25), spec="%.3f"),
    Goal(11, "sort_transient_mib", "memory a sort takes on top, MiB (most)", "<= 20",
         at_most(20), spec="%.1f"),
    Goal(11, "sync_ratio", "sync into an empty folder / cp -a, tmpfs", "<= 1.0", at_most(1.0)),
    Goal(11, "sync_round_ratio", "  the same, median of the rounds' ratios", "", None),
    Goal(12, "remember_ratio", "no-change sync --remember / without", "<= 1.3", at_most(1.3)),
    Goal(12, "remember_cpu_ratio", "  the same in CPU time", "", None),
    Goal(12, "state_bytes_per_entry", "state on disk per remembered entry, bytes", "<= 64",
         at_most(64), spec="%.1f"),
    Goal(12, "remember_peak_mib", "peak MiB of the remembering sync", "< 40 at 100k",
         below(40), at=100_000, spec="%.1f"),
    Goal(15, "remember_first_ratio", "first sync --remember of identical trees / sync", "<= 3",
         at_most(3)),
    Goal(15, "compare_speed_ratio", "content comparison speed / cmp, large files", ">= 0.8",
         lambda v: v >= 0.8),
]
# A deep chain grows linearly when a level of the second stretch costs at most
# half again as much as one of the first (the square of the depth: 3 times).
CHAIN_GROWTH_LIMIT = 1.5
# ... or when the whole chain adds less than this (nothing to tell apart).
CHAIN_FLAT_KIB = 1024


# --- tools ---------------------------------------------------------------------------

def fs_type(path):
    """The file system type of the mount that holds path ("tmpfs", "ext4", ...)."""
    path = os.path.realpath(path)
    best, kind = "", None
    try:
        with open("/proc/self/mountinfo", encoding="utf-8", errors="replace") as fh:
            for line in fh:
                left, _, right = line.partition(" - ")
                mount = left.split()[4].replace("\\040", " ")
                if (path == mount or path.startswith(mount.rstrip("/") + "/")) and len(mount) >= len(best):
                    best, kind = mount, right.split()[0]
    except (OSError, IndexError):
        return None
    return kind


STRACE_LINE = re.compile(r"^\s*[\d.]+\s+[\d.]+\s+\d+\s+(\d+)\s+(?:\d+\s+)?(\S+)\s*$")


def parse_strace_counts(text):
    """{syscall: calls} and the total from the summary of `strace -c`."""
    counts, total = {}, None
    for line in text.splitlines():
        m = STRACE_LINE.match(line)
        if not m:
            continue
        if m.group(2) == "total":
            total = int(m.group(1))
        else:
            counts[m.group(2)] = int(m.group(1))
    return counts, total


def syscall_floor(files, folders):
    """Calls per entry of a walk that stats each entry once and opens, reads
    twice and closes each folder (the folder counts as an entry too)."""
    entries = files + folders
    return (entries + 4 * folders) / entries


def folder_bytes(path):
    """Apparent size of every file below path."""
    total = 0
    for dirpath, _, names in os.walk(path):
        for n in names:
            total += os.lstat(os.path.join(dirpath, n)).st_size
    return total


def remembered_entries(db_path):
    """Rows of the state's entry table, read-only; None when it cannot be read."""
    try:
        con = sqlite3.connect("file:%s?mode=ro" % db_path, uri=True)
        try:
            return con.execute("SELECT count(*) FROM entry").fetchone()[0]
        finally:
            con.close()
    except sqlite3.Error:
        return None


def make_chain(root, depth, size=100):
    """root/base and root/target: `depth` nested folders d0001/d0002/..., each
    holding f.dat, the same on both sides to the nanosecond. Paths grow past
    PATH_MAX (cp -a gives up there), so every level is made relative to its
    parent's descriptor."""
    sides = []
    for side in ("base", "target"):
        path = os.path.join(root, side)
        os.makedirs(path)
        sides.append(path)
        fd = os.open(path, os.O_RDONLY | os.O_DIRECTORY)
        try:
            for level in range(1, depth + 1):
                name = "d%04d" % level
                os.mkdir(name, dir_fd=fd)
                child = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
                t = CHAIN_FILE_NS + level * 1_000_000_007
                os.utime(fd, ns=(t, t))  # its entries are complete
                os.close(fd)
                fd = child
                f = os.open("f.dat", os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644, dir_fd=fd)
                try:
                    os.write(f, (b"%d\n" % level).ljust(size, b"x"))
                    os.utime(f, ns=(t, t))
                finally:
                    os.close(f)
            os.utime(fd, ns=(CHAIN_FILE_NS, CHAIN_FILE_NS))
        finally:
            os.close(fd)
    return sides[0], sides[1]


# --- one tree size -------------------------------------------------------------------

class SizeRun:
    """Every figure of one tree size; `notes` says what went wrong or was left out."""

    def __init__(self, files, reps):
        self.files, self.reps = files, reps
        self.fig = {"files": files, "reps": reps}
        self.notes = []
        self.failed = False

    def fail(self, msg):
        self.failed = True
        self.note(msg)

    def note(self, msg):
        self.notes.append(msg)
        log("  " + msg)


def measure_size(a, files, reps, workdir, scratch, ui_bench, skip, remove):
    s = SizeRun(files, reps)
    tree_args = argparse.Namespace(files=files, seed=a.seed, variant="identical", size=a.size)
    tree_dir = os.path.join(workdir, "trees-n%d-identical-s%d-z%d" % (files, a.seed, a.size))
    manifest, gen_s = run.ensure_trees(tree_args, tree_dir)
    if not a.keep:
        remove.append(tree_dir)
    base, target = os.path.join(tree_dir, "base"), os.path.join(tree_dir, "target")
    folders = manifest["folders"]
    s.fig.update(folders=folders, depth=manifest.get("depth"), generation_s=gen_s,
                 entries=2 * (files + folders))
    os.sync()
    here = os.path.join(scratch, "n%d" % files)
    os.makedirs(here)

    if "strace" not in skip:
        measure_syscalls(s, a.cli, base, target, here)
    results = {}
    if "list" not in skip or (ui_bench and "ui" not in skip):
        results = measure_lists(s, a.cli, ui_bench if "ui" not in skip else None, base, target,
                                here, reps)
    if "remember" not in skip:
        measure_remember(s, a.cli, base, target, here, reps, results.get("d"))
        if files == a.files[0]:
            measure_compare(s, a.cli, here, reps, a.compare_files, a.compare_mib)
    if "sync" not in skip:
        measure_sync(s, a, files, reps, remove)
    return s


def measure_syscalls(s, cli, base, target, here):
    log("counting system calls of orvel-cli list --hide-same (strace -f -c) ...")
    out = os.path.join(here, "strace.txt")
    done = subprocess.run(["strace", "-f", "-c", "-o", out, cli, "list", base, target, "--hide-same"],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        s.fail("strace of orvel-cli list: exit %d: %s" % (done.returncode, done.stderr.strip()[-200:]))
        return
    with open(out, encoding="utf-8", errors="replace") as fh:
        counts, total = parse_strace_counts(fh.read())
    if not total:
        s.fail("no total in strace's summary (%s)" % out)
        return
    entries = s.fig["entries"]
    s.fig.update(syscalls=total, syscalls_per_entry=total / entries,
                 syscall_floor=syscall_floor(s.files, s.fig["folders"]),
                 syscall_top=sorted(counts.items(), key=lambda kv: -kv[1])[:6])


def measure_lists(s, cli, ui_bench, base, target, here, reps):
    """a, c, d and the desktop program f in one rotation, as run.py does."""
    results = {k: run.Result(k, label) for k, label in (
        ("a", "orvel-cli list --hide-same"), ("c", "find -printf '%T@\\n'"),
        ("d", "orvel-cli list (every row)"), ("f", "orvel-ui-bench"),
        ("f0", "orvel-ui-bench, one-file trees"))}
    commands = {
        "a": lambda r: [cli, "list", base, target, "--hide-same"],
        "c": lambda r: ["find", base, target, "-printf", "%T@\n"],
        "d": lambda r: [cli, "list", base, target],
    }
    order = ["a", "c", "d"]
    envs, before = {}, None
    if ui_bench:
        home = os.path.join(here, "ui-home")
        small_base, small_target = run.one_file_trees(os.path.join(here, "one-file"))
        commands["f"] = lambda r: [ui_bench, base, target]
        commands["f0"] = lambda r: [ui_bench, small_base, small_target]
        envs = {"f": run.ui_env(home), "f0": run.ui_env(home)}
        order += ["f", "f0"]

        def before(key, rnd):
            if key in envs:
                run.fresh_ui_home(home)
    log("list creation: %s, %d round(s) after a warm-up" % (" ".join(order), reps))
    run.measure(results, order, commands, reps, here, before, envs, keep=("f", "f0"))
    for key in order:
        if results[key].note:
            s.fail("%s: %s" % (key, results[key].note))
    a, c, d = results["a"], results["c"], results["d"]
    if a.cpu and c.cpu:
        s.fig.update(cpu_a=statistics.median(a.cpu), cpu_c=statistics.median(c.cpu),
                     user_a=statistics.median(a.user), wall_a=a.median(), wall_c=c.median())
        s.fig["cpu_ratio"] = s.fig["cpu_a"] / s.fig["cpu_c"]
    if d.rss_kib:
        s.fig.update(cli_peak_mib=max(d.rss_kib) / 1024, wall_d=d.median(), rows_d=d.rows)
    if ui_bench:
        f = results["f"]
        run.read_ui_figures(f, d.rows)
        if f.note:
            s.fail("f: " + f.note)
        figs = f.figures
        missing = [k for k in UI_GOAL_FIELDS if figs and k not in figs[0]]
        if missing:
            s.fail("orvel-ui-bench printed no %s (built from an older ui_bench.cpp?)"
                   % ", ".join(missing))
        elif figs:
            peak = max(fg["peak_rss_kib"] for fg in figs) / 1024
            s.fig.update(
                ui_peak_mib=peak,
                ui_list_peak_mib=max(fg["list_peak_rss_kib"] for fg in figs) / 1024,
                stall_ms=max(fg["longest_stall_ms"] for fg in figs),
                gap_ms=max(fg["longest_gap_ms"] for fg in figs),
                list_s=statistics.median(fg["list_s"] for fg in figs),
                sort_s=max(max(fg["sort_s"]) for fg in figs),
                sort_s_columns=[statistics.median(fg["sort_s"][i] for fg in figs)
                                for i in range(len(figs[0]["sort_s"]))],
                sort_transient_mib=max(max(fg["sort_transient_kib"]) for fg in figs) / 1024,
                ui_rounds=figs)
            if "cli_peak_mib" in s.fig:
                s.fig["ui_cli_ratio"] = peak / s.fig["cli_peak_mib"]
            run.read_ui_figures(results["f0"], 1)
            if results["f0"].note:
                s.fail("f0: " + results["f0"].note)
            elif results["f0"].figures and "cli_peak_mib" in s.fig:
                rest = max(fg["peak_rss_kib"] for fg in results["f0"].figures) / 1024
                s.fig.update(ui_resting_mib=rest,
                             ui_cli_over_rest=(peak - rest) / s.fig["cli_peak_mib"])
    return results


def measure_remember(s, cli, base, target, here, reps, d):
    """A no-change sync of the identical trees, remembering and not, alternately.

    The state lives in a private XDG_STATE_HOME; one remembering sync first
    makes it, so that the timed ones read a full state.
    """
    state_home = os.path.join(here, "state")
    os.makedirs(state_home)
    env = dict(os.environ, XDG_STATE_HOME=state_home)
    log("remembered sync: making the state (one sync --remember) ...")
    t = run.run_timed_split([cli, "sync", base, target, "--remember", "--yes"],
                            stderr_path=os.path.join(here, "prime.err"),
                            rss_path=os.path.join(here, "prime.rss"), env=env)
    if t.status != 0:
        s.fail("the first sync --remember: exit %d: %s"
               % (t.status, run.tail(os.path.join(here, "prime.err"), 3)))
        return
    s.fig["remember_first_s"] = t.wall
    results = {"m1": run.Result("m1", "sync --remember"), "m0": run.Result("m0", "sync")}
    commands = {"m1": lambda r: [cli, "sync", base, target, "--remember", "--yes"],
                "m0": lambda r: [cli, "sync", base, target, "--yes"]}
    log("no-change sync with and without --remember, %d round(s) after a warm-up" % reps)
    run.measure(results, ["m1", "m0"], commands, reps, here, envs={"m1": env, "m0": env})
    m1, m0 = results["m1"], results["m0"]
    for r in (m1, m0):
        if r.note:
            s.fail("%s: %s" % (r.key, r.note))
        elif d is not None and d.rows is not None and r.rows != d.rows:
            s.fail("%s printed %s rows, list printed %s" % (r.key, r.rows, d.rows))
    if m1.wall and m0.wall:
        s.fig.update(remember_ratio=m1.median() / m0.median(),
                     remember_cpu_ratio=statistics.median(m1.cpu) / statistics.median(m0.cpu),
                     wall_m1=m1.median(), wall_m0=m0.median(),
                     remember_peak_mib=max(m1.rss_kib) / 1024,
                     plain_sync_peak_mib=max(m0.rss_kib) / 1024)
    state = os.path.join(state_home, "orvel")
    size = folder_bytes(state) if os.path.isdir(state) else 0
    db = os.path.join(state, "sync-state.db")
    entries = remembered_entries(db) if os.path.exists(db) else None
    s.fig.update(state_bytes=size, state_entries=entries, state_files=sorted(
        os.listdir(state)) if os.path.isdir(state) else [])
    if entries:
        s.fig["state_bytes_per_entry"] = size / entries
    else:
        s.fail("no remembered entries in %s" % db)
    # The first remembering sync compares every pair's contents once (a pair
    # never synced is decided by its contents); each round starts without state.
    first_home = os.path.join(here, "state-first")

    def fresh_state(key, rnd):
        if key == "f1":
            shutil.rmtree(first_home, ignore_errors=True)
            os.makedirs(first_home)

    first = {"f1": run.Result("f1", "first sync --remember"), "f0": run.Result("f0", "sync")}
    log("first remembering sync (no state) against a plain sync, %d round(s) after a warm-up" % reps)
    run.measure(first, ["f1", "f0"], {"f1": lambda r: [cli, "sync", base, target, "--remember", "--yes"],
                                      "f0": lambda r: [cli, "sync", base, target, "--yes"]},
                reps, here, before=fresh_state,
                envs={"f1": dict(os.environ, XDG_STATE_HOME=first_home), "f0": env})
    for r in first.values():
        if r.note:
            s.fail("%s: %s" % (r.key, r.note))
    if first["f1"].wall and first["f0"].wall:
        s.fig.update(remember_first_ratio=first["f1"].median() / first["f0"].median(),
                     wall_f1=first["f1"].median(), wall_f0=first["f0"].median())
    log("checking that the no-change syncs left both trees as they were ...")
    diff = run.compare_trees(base, target)
    if diff:
        s.fail("after the no-change syncs the trees differ: " + diff)


def measure_compare(s, cli, here, reps, files, mib):
    """The content comparison of a first remembering list against cmp, on the
    same pairs of large identical files with warm caches: speed = cmp's time
    over orvel-cli's (its scan of a few entries is in it)."""
    root = os.path.join(here, "compare")
    block = os.urandom(MIB)
    for side in ("base", "target"):
        os.makedirs(os.path.join(root, side))
        for i in range(files):
            with open(os.path.join(root, side, "big%d.dat" % i), "wb") as fh:
                for k in range(mib):
                    fh.write(bytes([k & 0xFF]) + block[1:])
    pairs = [(os.path.join(root, "base", "big%d.dat" % i), os.path.join(root, "target", "big%d.dat" % i))
             for i in range(files)]
    env = dict(os.environ, XDG_STATE_HOME=os.path.join(root, "state"))
    argv = [cli, "list", os.path.join(root, "base"), os.path.join(root, "target"), "--remember"]
    log("content comparison: %d pairs of %d MiB, orvel-cli list --remember against cmp, %d round(s)"
        % (files, mib, reps))
    for path in [p for pair in pairs for p in pair]:  # warm caches
        with open(path, "rb") as fh:
            while fh.read(8 * MIB):
                pass
    orvel, cmp = [], []
    for rnd in range(reps + 1):
        t = run.run_timed_split(argv, stderr_path=os.path.join(here, "compare.err"), env=env)
        if t.status != 0:
            s.fail("orvel-cli list --remember of the large pairs: exit %d" % t.status)
            return
        start = time.monotonic()
        for a_path, b_path in pairs:
            if subprocess.run(["cmp", a_path, b_path], stdout=subprocess.DEVNULL).returncode != 0:
                s.fail("cmp found the large pairs different")
                return
        if rnd:
            orvel.append(t.wall)
            cmp.append(time.monotonic() - start)
    s.fig.update(compare_speed_ratio=statistics.median(cmp) / statistics.median(orvel),
                 wall_compare_orvel=statistics.median(orvel), wall_compare_cmp=statistics.median(cmp),
                 compare_mib=2 * files * mib)
    shutil.rmtree(root, ignore_errors=True)


def tmpfs_room(path, files, size):
    """Whether a base and two copies of `files` files fit in half of the tmpfs
    and of the memory available."""
    st = os.statvfs(path)
    block = st.f_frsize or 4096
    per_copy = files * max(block, -(-size // block) * block) + (files // 40 + 1) * block
    available = 0
    try:
        with open("/proc/meminfo") as fh:
            for line in fh:
                if line.startswith("MemAvailable:"):
                    available = int(line.split()[1]) * 1024
    except (OSError, ValueError):
        pass
    room = min(st.f_bavail * st.f_frsize, available or st.f_bavail * st.f_frsize) // 2
    return 3 * per_copy <= room


def measure_sync(s, a, files, reps, remove):
    """orvel-cli sync and cp -a of the same base into new folders on a tmpfs,
    back to back in alternating order; each round's copies go before the next."""
    root = a.tmpfs
    kind = fs_type(root) if os.path.isdir(root) else None
    if kind != "tmpfs":
        s.note("copy into an empty folder left out: %s is not a tmpfs (mount one: "
               "mount -t tmpfs -o size=3g tmpfs %s)" % (root, root))
        return
    if not tmpfs_room(root, files, a.size):
        s.note("copy into an empty folder left out: a base and two copies of %s files do not fit "
               "in half of %s and of the free memory" % (format(files, ","), root))
        return
    src = os.path.join(root, "base-n%d-s%d-z%d" % (files, a.seed, a.size))
    m = run.read_manifest(src)
    if not (m and m.get("files") == files and m.get("only_base")):
        if os.path.exists(src):
            shutil.rmtree(src)
        log("writing a base of %d files on %s ..." % (files, root))
        subprocess.run([sys.executable, run.MAKE_TREE, "--files", str(files), "--out", src,
                        "--seed", str(a.seed), "--size", str(a.size), "--only-base"],
                       check=True, stdout=subprocess.DEVNULL)
    if not a.keep:
        remove.append(src)
    base = os.path.join(src, "base")
    work = os.path.join(root, "copies-%d" % os.getpid())
    os.makedirs(work)
    walls = {"e1": [], "e2": []}
    log("copy into an empty folder on tmpfs: %d round(s) after a warm-up" % reps)
    try:
        for rnd in range(reps + 1):
            order = ("e1", "e2") if rnd % 2 == 0 else ("e2", "e1")
            dests = {}
            for key in order:
                dest = os.path.join(work, "r%d-%s" % (rnd, key))
                dests[key] = dest
                if key == "e1":
                    os.mkdir(dest)
                    argv = [a.cli, "sync", base, dest, "--yes"]
                else:
                    argv = ["cp", "-a", base, dest]
                err = os.path.join(work, key + ".err")
                t = run.run_timed_split(argv, stderr_path=err)
                if t.status != 0:
                    s.fail("%s: exit %d: %s" % (key, t.status, run.tail(err, 3)))
                    return
                if rnd:
                    walls[key].append(t.wall)
            if rnd == 0:
                for key, dest in dests.items():
                    diff = run.compare_trees(base, dest)
                    if diff:
                        s.fail("%s: the copy differs from the base: %s" % (key, diff))
                        return
            else:
                log("  round %d/%d: e1 %.3f  e2 %.3f" % (rnd, reps, walls["e1"][-1],
                                                         walls["e2"][-1]))
            for dest in dests.values():
                shutil.rmtree(dest)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    e1, e2 = walls["e1"], walls["e2"]
    s.fig.update(wall_e1=statistics.median(e1), wall_e2=statistics.median(e2),
                 sync_ratio=statistics.median(e1) / statistics.median(e2),
                 sync_round_ratio=statistics.median(x / y for x, y in zip(e1, e2)))


# --- the deep chain ------------------------------------------------------------------

def measure_chain(cli, depths, scratch, reps):
    """Peak memory of orvel-cli list over chains of 1 and each of `depths` levels."""
    chain = {"depths": [], "peak_kib": [], "notes": []}
    for depth in [1] + depths:
        root = os.path.join(scratch, "chain-%d" % depth)
        log("a chain of %d folders: generating, then %d run(s) of orvel-cli list ..." % (depth, reps))
        base, target = make_chain(root, depth)
        peaks = []
        for rnd in range(reps):
            out = os.path.join(root, "list.out")
            err = os.path.join(root, "list.err")
            t = run.run_timed_split([cli, "list", base, target], stdout_path=out, stderr_path=err,
                                    rss_path=os.path.join(root, "list.rss"))
            if t.status != 0:
                chain["notes"].append("depth %d: exit %d: %s" % (depth, t.status, run.tail(err, 3)))
                chain["failed"] = True
                return chain
            rows = run.count_lines(out)
            if rows < depth:
                chain["notes"].append("depth %d: %d rows, expected at least %d"
                                      % (depth, rows, depth))
                chain["failed"] = True
                return chain
            peaks.append(t.rss_kib)
        chain["depths"].append(depth)
        chain["peak_kib"].append(statistics.median(peaks))
    if len(chain["depths"]) >= 3:
        chain.update(chain_growth(chain["depths"], chain["peak_kib"]))
    return chain


def chain_growth(depths, peaks):
    """Whether memory grows linearly with depth, from the peaks at depth 1 and
    two more depths: what a level of the second stretch adds against what a
    level of the first added (1 when linear, 3 from 1,000 to 2,000 levels when
    it grows with the square of the depth)."""
    first, second = peaks[-2] - peaks[0], peaks[-1] - peaks[-2]
    per_first = first / (depths[-2] - depths[0])
    per_second = second / (depths[-1] - depths[-2])
    flat = peaks[-1] - peaks[0] < CHAIN_FLAT_KIB
    return {"first_kib": first, "second_kib": second, "flat": flat,
            "growth": per_second / per_first if per_first > 0 else None,
            "linear": flat or (per_first > 0 and per_second <= CHAIN_GROWTH_LIMIT * per_first)}


# --- the report ----------------------------------------------------------------------

def cell(goal, run_):
    v = run_.fig.get(goal.key)
    if v is None:
        return "-", ""
    text = goal.spec % v
    if goal.check is None or (goal.at is not None and goal.at != run_.files):
        return text, ""
    return text, "ok" if goal.check(v) else "MISSED"


def report(a, runs, chain, load_start, cli, ui_bench):
    p = print
    p()
    p("Orvel goals: identical trees of %s files each" % ", ".join(format(r.files, ",") for r in runs))
    p("  cli     %s" % cli)
    p("  desktop %s" % (ui_bench or "-"))
    p("  rounds  %s after a warm-up; load average at start %.2f, at end %.2f"
      % (", ".join("%d at %s" % (r.reps, format(r.files, ",")) for r in runs), load_start[0],
         os.getloadavg()[0]))
    for r in runs:
        p("  trees   %s files: %s folders, depth %s, %s entries in both"
          % (format(r.files, ","), format(r.fig.get("folders", 0), ","), r.fig.get("depth"),
             format(r.fig.get("entries", 0), ",")))
    p()
    width = 46
    head = "  %-5s %-*s %-16s" % ("issue", width, "figure", "goal")
    for r in runs:
        head += " %10s %-6s" % (format(r.files, ","), "")
    p(head.rstrip())
    for g in GOALS:
        cells = [cell(g, r) for r in runs]
        if all(v == "-" for v, _ in cells):
            continue
        line = "  %-5s %-*s %-16s" % (g.issue, width, g.label, g.goal)
        for v, verdict in cells:
            line += " %10s %-6s" % (v, verdict)
        p(line.rstrip())
    if chain and chain.get("depths"):
        depths = ", ".join("%d: %.1f" % (dp, kib / 1024)
                           for dp, kib in zip(chain["depths"], chain["peak_kib"]))
        p("  %-5s %-*s %-16s %s" % (11, width, "deep chain, orvel-cli list peak MiB by depth",
                                    "linear", depths))
        if "linear" in chain:
            grow = ("%.2f" % chain["growth"]) if chain.get("growth") is not None else "-"
            p("  %-5s %-*s %-16s %10s %s" % (
                11, width, "  KiB per level, levels %d-%d / 2-%d"
                % (chain["depths"][-2] + 1, chain["depths"][-1], chain["depths"][-2]),
                "<= %.1f" % CHAIN_GROWTH_LIMIT, grow,
                ("ok" if chain["linear"] else "MISSED")
                + " (%+d KiB, then %+d KiB%s)" % (chain["first_kib"], chain["second_kib"],
                                                  "; flat" if chain["flat"] else "")))
    p()
    p("  details")
    for r in runs:
        f = r.fig
        n = format(r.files, ",")
        if "syscalls" in f:
            p("    %s: %s system calls for %s entries; most: %s" % (
                n, format(f["syscalls"], ","), format(f["entries"], ","),
                ", ".join("%s %s" % (k, format(v, ",")) for k, v in f["syscall_top"])))
        if "cpu_a" in f:
            p("    %s: list --hide-same %.3f s wall, %.3f s CPU (%.3f user); find %.3f s wall, "
              "%.3f s CPU; list, every row: %.3f s wall" % (
                  n, f["wall_a"], f["cpu_a"], f["user_a"], f["wall_c"], f["cpu_c"],
                  f.get("wall_d") or 0))
        if "ui_peak_mib" in f:
            p("    %s: desktop list creation %.3f s, peak %.1f MiB right after it, %.1f MiB over the "
              "run; progress-dialog gap %d ms; sort s by column %s" % (
                  n, f["list_s"], f["ui_list_peak_mib"], f["ui_peak_mib"], f["gap_ms"],
                  " ".join("%.3f" % v for v in f["sort_s_columns"])))
        if "wall_m1" in f:
            p("    %s: sync --remember %.3f s, without %.3f s (first remembering sync %.1f s); "
              "state %s bytes for %s entries (%s); peak MiB %.1f remembering, %.1f not" % (
                  n, f["wall_m1"], f["wall_m0"], f["remember_first_s"],
                  format(f["state_bytes"], ","), format(f["state_entries"] or 0, ","),
                  " ".join(f["state_files"]), f["remember_peak_mib"], f["plain_sync_peak_mib"]))
        if "wall_f1" in f:
            p("    %s: first sync --remember (no state, every pair's contents compared) %.3f s, "
              "plain sync %.3f s" % (n, f["wall_f1"], f["wall_f0"]))
        if "wall_compare_orvel" in f:
            p("    content comparison of %d MiB: orvel-cli list --remember %.3f s, cmp %.3f s" % (
                f["compare_mib"], f["wall_compare_orvel"], f["wall_compare_cmp"]))
        if "wall_e1" in f:
            p("    %s: copy into an empty folder on tmpfs: orvel-cli sync %.3f s, cp -a %.3f s"
              % (n, f["wall_e1"], f["wall_e2"]))
        for note in r.notes:
            p("    %s: note: %s" % (n, note))
    if len(runs) > 1 and "user_a" in runs[0].fig:
        first = runs[0]
        for r in runs[1:]:
            if "user_a" in r.fig:
                p("    user time of list --hide-same: %.3f s at %s, %.3f s at %s: x%.1f for x%.1f entries"
                  % (first.fig["user_a"], format(first.files, ","), r.fig["user_a"],
                     format(r.files, ","), r.fig["user_a"] / first.fig["user_a"],
                     r.fig["entries"] / first.fig["entries"]))
    for note in (chain or {}).get("notes", []):
        p("    chain: note: %s" % note)
    p()


def parse_list(text, what):
    try:
        values = [int(v.replace("_", "")) for v in text.split(",") if v.strip()]
    except ValueError:
        raise argparse.ArgumentTypeError("%s: a comma-separated list of numbers" % what)
    if not values or min(values) < 1:
        raise argparse.ArgumentTypeError("%s: numbers of at least 1" % what)
    return values


def main(argv=None):
    ap = argparse.ArgumentParser(description="Measures the goals of the large-list and the "
                                 "remembered-sync work and prints each beside its goal.")
    ap.add_argument("--files", type=lambda t: parse_list(t, "--files"), default=[100_000],
                    help="tree sizes, comma-separated (100000; e.g. 100000,1000000)")
    ap.add_argument("--reps", type=lambda t: parse_list(t, "--reps"), default=[5],
                    help="timed rounds per size, comma-separated; the last repeats (5)")
    ap.add_argument("--workdir", default=os.path.join("/tmp", "orvel-bench"))
    ap.add_argument("--tmpfs", default=DEFAULT_TMPFS,
                    help="a tmpfs for the copy into an empty folder (%s)" % DEFAULT_TMPFS)
    ap.add_argument("--cli", default=os.environ.get("ORVEL_CLI", run.DEFAULT_CLI))
    ap.add_argument("--ui-bench", default=os.environ.get("ORVEL_UI_BENCH", run.DEFAULT_UI_BENCH))
    ap.add_argument("--chain", type=lambda t: parse_list(t, "--chain"), default=[1000, 2000],
                    help="depths of the chain of folders (1000,2000)")
    ap.add_argument("--chain-reps", type=int, default=3)
    ap.add_argument("--skip", default="", help="groups left out, comma-separated: " + ",".join(GROUPS))
    ap.add_argument("--keep", action="store_true", help="keep the trees for the next run")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--size", type=int, default=100)
    ap.add_argument("--compare-files", type=int, default=3, help="pairs of large files for the comparison")
    ap.add_argument("--compare-mib", type=int, default=200, help="MiB of each large file")
    ap.add_argument("--foreground-cleanup", action="store_true",
                    help="remove trees and scratch before exiting instead of in the background")
    ap.add_argument("--json", help="also write the figures to this file")
    a = ap.parse_args(argv)
    skip = {g for g in a.skip.split(",") if g}
    if skip - set(GROUPS):
        ap.error("--skip: unknown group(s) %s" % ", ".join(sorted(skip - set(GROUPS))))

    workdir = os.path.realpath(a.workdir)
    for path in (workdir, os.path.realpath(a.tmpfs)):
        if path == run.REPO or path.startswith(run.REPO + os.sep):
            ap.error("%s must be outside the repository (%s)" % (path, run.REPO))
    a.cli = os.path.abspath(a.cli)
    if not (os.path.isfile(a.cli) and os.access(a.cli, os.X_OK)):
        ap.error("orvel-cli not found at %s (build it, or give --cli PATH / ORVEL_CLI)" % a.cli)
    ui_bench = os.path.abspath(a.ui_bench)
    ui_note = ""
    if "ui" not in skip and not (os.path.isfile(ui_bench) and os.access(ui_bench, os.X_OK)):
        ui_note = "desktop program left out: no orvel-ui-bench at %s" % ui_bench
        log(ui_note)
        skip.add("ui")
    if "ui" in skip:
        ui_bench = None
    for tool, group in (("strace", "strace"), ("find", "list"), ("cp", "sync")):
        if group not in skip and not shutil.which(tool):
            ap.error("%s is needed for the %s group (or --skip %s)" % (tool, group, group))
    os.makedirs(workdir, exist_ok=True)
    run.wait_for_cleanup(workdir)
    scratch = os.path.join(workdir, "sync-goals-%s-%d" % (
        datetime.datetime.now().strftime("%Y%m%d-%H%M%S"), os.getpid()))
    os.makedirs(scratch)
    load_start = os.getloadavg()
    runs, chain, remove = [], None, []
    try:
        for i, files in enumerate(a.files):
            reps = a.reps[min(i, len(a.reps) - 1)]
            log("== %s files, %d round(s)" % (format(files, ","), reps))
            runs.append(measure_size(a, files, reps, workdir, scratch, ui_bench, skip, remove))
        first = runs[0].fig
        for r in runs[1:]:
            if first.get("user_a") and r.fig.get("user_a"):
                r.fig["user_growth"] = ((r.fig["user_a"] / r.fig["entries"])
                                        / (first["user_a"] / first["entries"]))
        if "chain" not in skip:
            chain = measure_chain(a.cli, a.chain, scratch, a.chain_reps)
    finally:
        tmpfs_paths = [p for p in remove if p.startswith(os.path.realpath(a.tmpfs) + os.sep)]
        for p in tmpfs_paths:
            shutil.rmtree(p, ignore_errors=True)
        disk_paths = [p for p in remove if p not in tmpfs_paths]
        run.remove_later(workdir, [scratch] + disk_paths, a.foreground_cleanup,
                         sum(2 * r.files for r in runs if not a.keep))
    if ui_note:
        runs[0].notes.append(ui_note)
    report(a, runs, chain, load_start, a.cli, ui_bench)
    if a.json:
        with open(a.json, "w", encoding="utf-8") as fh:
            json.dump({"sizes": [dict(r.fig, notes=r.notes) for r in runs], "chain": chain,
                       "load_start": load_start, "load_end": os.getloadavg(),
                       "goals": [{"issue": g.issue, "key": g.key, "label": g.label.strip(),
                                  "goal": g.goal, "at": g.at} for g in GOALS]},
                      fh, indent=1)
    return 1 if any(r.failed for r in runs) or (chain or {}).get("failed") else 0


if __name__ == "__main__":
    sys.exit(main())
