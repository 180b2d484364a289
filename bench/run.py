#!/usr/bin/env python3
"""Times orvel-cli against rsync, find and cp on the same warm trees, and the
desktop program's list creation against orvel-cli.

Started through bench/run.sh; see bench/README.md for what each figure means.
Standard library only.
"""

import argparse
import collections
import datetime
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
MAKE_TREE = os.path.join(HERE, "make_tree.py")
DEFAULT_CLI = os.path.join(REPO, "build", "cli", "orvel-cli")
DEFAULT_UI_BENCH = os.path.join(REPO, "build", "ui", "orvel-ui-bench")
CLEANUP_PID = "cleanup.pid"
# When the last removal in the work folder ended (seconds since the epoch) and
# about how many files it removed.
REMOVED_STAMP = "removed.stamp"
# Removals smaller than this leave no lasting slowness worth waiting for.
SETTLE_FROM_FILES = 50_000
MIB = 1024 * 1024

# (figure, numerator, denominator, upper limit) on median wall times.
TARGETS = [
    ("a/b", "a", "b", 0.75),
    ("a/c", "a", "c", 1.1),
    ("d/a", "d", "a", 1.5),
    ("e_orvel/e_cp", "e_orvel", "e_cp", 1.2),
]
RSS_LIMIT_MIB = 40
RSS_LIMIT_ROWS = 100_000
# The desktop program (f) against orvel-cli listing every row (d).
UI_LIST_LIMIT = 1.5      # f's in-process list_s / d's wall time, medians
UI_GAP_LIMIT_MS = 50     # longest time between two event-loop turns, max over rounds
UI_SORT_LIMIT_S = 1.0    # one sort by a column, max over rounds and columns (strictly below)
UI_RSS_LIMIT = 2.0       # f's memory right after the list / d's peak RSS
UI_FIELDS = ("rows", "list_s", "longest_gap_ms", "sort_s", "list_peak_rss_kib", "list_rss_kib",
             "peak_rss_kib", "rss_kib", "rss_anon_kib", "rss_file_kib")


def log(msg):
    print(msg, file=sys.stderr, flush=True)


class Result:
    def __init__(self, key, label):
        self.key = key
        self.label = label
        self.wall = []
        self.cpu = []
        self.user = []
        self.rss_kib = []
        self.rows = None
        self.note = ""
        self.warm_output = None  # stdout of the warm-up, for commands whose output is kept
        self.outputs = []        # stdout of each timed round, likewise
        self.figures = []        # orvel-ui-bench's parsed line of each timed round

    def add(self, wall, cpu, rss, user=None):
        self.wall.append(wall)
        self.cpu.append(cpu)
        self.user.append(user)
        self.rss_kib.append(rss)

    def median(self):
        return statistics.median(self.wall) if self.wall else None


def _time_tool():
    """GNU time, if it is there and reports %M; None otherwise."""
    tool = "/usr/bin/time"
    if not os.access(tool, os.X_OK):
        return None
    try:
        out = subprocess.run([tool, "-f", "%M", "true"], stderr=subprocess.PIPE,
                             stdout=subprocess.DEVNULL, timeout=10).stderr
        int(out.strip().split(b"\n")[-1])
    except (OSError, ValueError, subprocess.SubprocessError):
        return None
    return tool


TIME_TOOL = _time_tool()


def _vm_hwm_kib(pid):
    try:
        with open("/proc/%d/status" % pid, "rb") as fh:
            for line in fh:
                if line.startswith(b"VmHWM:"):
                    return int(line.split()[1])
    except (OSError, ValueError, IndexError):
        pass
    return 0


def run_timed(argv, stdout_path=os.devnull, stderr_path=os.devnull, rss_path=None, env=None):
    """Runs argv once; returns (status, wall s, user+sys s, peak RSS KiB)."""
    t = run_timed_split(argv, stdout_path, stderr_path, rss_path, env)
    return t.status, t.wall, t.user + t.sys, t.rss_kib


Timing = collections.namedtuple("Timing", "status wall user sys rss_kib")


def run_timed_split(argv, stdout_path=os.devnull, stderr_path=os.devnull, rss_path=None, env=None):
    """Runs argv once; returns a Timing (user and system time apart).

    The peak is not taken from this driver's own wait4: a child forked from a
    process keeps that process's high-water mark through exec, so every
    figure would be at least the driver's size. GNU time forks from a tiny
    process and reports the child's peak; without it, VmHWM is polled.
    """
    actions = [
        (os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0),
        (os.POSIX_SPAWN_OPEN, 1, stdout_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
        (os.POSIX_SPAWN_OPEN, 2, stderr_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
    ]
    if TIME_TOOL and rss_path:
        argv = [TIME_TOOL, "-f", "%M", "-o", rss_path] + list(argv)
    t0 = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ if env is None else env,
                          file_actions=actions)
    if TIME_TOOL:
        _, status, ru = os.wait4(pid, 0)
        wall = time.perf_counter() - t0
        rss = 0
        if rss_path:
            try:
                with open(rss_path, "rb") as fh:
                    rss = int(fh.read().strip().split(b"\n")[-1])
            except (OSError, ValueError):
                rss = 0
    else:
        rss = 0
        while True:
            got, status, ru = os.wait4(pid, os.WNOHANG)
            if got:
                break
            rss = max(rss, _vm_hwm_kib(pid))
            time.sleep(0.002)
        wall = time.perf_counter() - t0
    return Timing(os.waitstatus_to_exitcode(status), wall, ru.ru_utime, ru.ru_stime, rss)


def count_lines(path):
    n = 0
    with open(path, "rb") as fh:
        while True:
            block = fh.read(1 << 20)
            if not block:
                return n
            n += block.count(b"\n")


def tail(path, lines=5):
    try:
        with open(path, "rb") as fh:
            text = fh.read().decode("utf-8", "replace")
    except OSError:
        return ""
    return "\n".join(text.rstrip("\n").split("\n")[-lines:])


def listing(root):
    """Sorted (path, type, size, mode, mtime) of files and links; folders by name only."""
    out = subprocess.run(
        ["find", root, "-mindepth", "1", "(", "-type", "d", "-printf", "%P\td\n", ")",
         "-o", "-printf", "%P\t%y\t%s\t%m\t%T@\n"],
        check=True, stdout=subprocess.PIPE).stdout
    return sorted(out.split(b"\n"))


def compare_trees(src, dst):
    """Empty string when dst holds the same names, sizes, modes and mtimes as src."""
    a, b = listing(src), listing(dst)
    if a == b:
        return ""
    sa, sb = set(a), set(b)
    missing = sorted(sa - sb)
    extra = sorted(sb - sa)
    msg = "%d entries differ or missing, %d unexpected" % (len(missing), len(extra))
    if missing:
        msg += "; e.g. expected " + missing[0].decode("utf-8", "replace").replace("\t", " ")
    if extra:
        msg += "; e.g. found " + extra[0].decode("utf-8", "replace").replace("\t", " ")
    return msg


# --- trees, copies and their removal -------------------------------------------------

def pid_alive(pid, needle):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as fh:
            return needle.encode() in fh.read()
    except OSError:
        return False


def wait_for_cleanup(workdir):
    """Waits for a removal left running by an earlier run, then removes leftovers.

    Deleting a large tree slows file creation on this disk for a long while,
    so no timing starts while a removal is going on.
    """
    pidfile = os.path.join(workdir, CLEANUP_PID)
    trash = os.path.join(workdir, "trash")
    if os.path.exists(pidfile):
        try:
            pid = int(open(pidfile).read().strip() or 0)
        except (OSError, ValueError):
            pid = 0
        if pid and pid_alive(pid, trash):
            log("waiting for the previous run's removal of its copies (pid %d) ..." % pid)
            t0 = time.monotonic()
            while pid_alive(pid, trash):
                time.sleep(1)
            log("  done after %.0f s" % (time.monotonic() - t0))
        os.unlink(pidfile)
    leftovers = [os.path.join(workdir, n) for n in os.listdir(workdir)
                 if n == "trash" or n.startswith("sync-")]
    if leftovers:
        log("removing leftovers of an interrupted run: %s ..." % ", ".join(leftovers))
        t0 = time.monotonic()
        subprocess.run(["rm", "-rf", "--"] + leftovers, check=True)
        stamp_removal(workdir, SETTLE_FROM_FILES)
        os.sync()
        log("  done after %.0f s (timings right after a large removal can be slower)"
            % (time.monotonic() - t0))


def stamp_removal(workdir, files):
    with open(os.path.join(workdir, REMOVED_STAMP), "w") as fh:
        fh.write("%d %d\n" % (time.time(), files))


def settle_after_removal(workdir, settle):
    """Waits until `settle` seconds have passed since the last removal ended.

    File creation stays slow for a minute or two after a large removal here,
    so copies timed right after one would measure the disk, not the program.
    """
    try:
        with open(os.path.join(workdir, REMOVED_STAMP)) as fh:
            ended, files = (int(v) for v in fh.read().split())
    except (OSError, ValueError):
        return
    if files < SETTLE_FROM_FILES:
        return
    left = ended + settle - time.time()
    if left > 0:
        log("waiting %.0f s for the disk to settle after the last removal ..." % left)
        time.sleep(left)


def remove_later(workdir, paths, foreground, files):
    """Moves paths into workdir/trash and removes that folder, by default in the background.

    The rename is instant; the removal itself takes minutes for a few copies
    of 100,000 files here, so the run does not wait for it (the next run does).
    """
    paths = [p for p in paths if os.path.lexists(p)]
    if not paths:
        return
    trash = os.path.join(workdir, "trash")
    os.makedirs(trash, exist_ok=True)
    for i, p in enumerate(paths):
        os.rename(p, os.path.join(trash, "%d-%s" % (i, os.path.basename(p))))
    cmd = ["rm", "-rf", "--", trash]
    if foreground:
        log("removing %d folders ..." % len(paths))
        t0 = time.monotonic()
        subprocess.run(cmd, check=True)
        stamp_removal(workdir, files)
        log("  done after %.0f s" % (time.monotonic() - t0))
        return
    prefix = []
    if shutil.which("nice"):
        prefix += ["nice", "-n", "19"]
    if shutil.which("ionice"):
        prefix += ["ionice", "-c", "2", "-n", "7"]
    cmd = ["sh", "-c", 'rm -rf -- "$1"; echo "$(date +%s) $3" > "$2"', "sh", trash,
           os.path.join(workdir, REMOVED_STAMP), str(files)]
    proc = subprocess.Popen(prefix + cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)
    with open(os.path.join(workdir, CLEANUP_PID), "w") as fh:
        fh.write("%d\n" % proc.pid)
    log("removing %d folders in the background (pid %d); the next run waits for it"
        % (len(paths), proc.pid))


def read_manifest(tree_dir):
    try:
        with open(os.path.join(tree_dir, "tree.json"), encoding="utf-8") as fh:
            return json.load(fh)
    except (OSError, ValueError):
        return None


def ensure_trees(a, tree_dir):
    want = {"files": a.files, "seed": a.seed, "variant": a.variant, "size": a.size,
            "only_base": False}
    m = read_manifest(tree_dir)
    # Matching trees are reused even without --keep: removing and rewriting
    # them would only slow the timings that follow.
    if (m and all(m.get(k) == v for k, v in want.items())
            and os.path.isdir(os.path.join(tree_dir, "base"))
            and os.path.isdir(os.path.join(tree_dir, "target"))):
        log("reusing trees in %s (made in %.1f s)" % (tree_dir, m.get("seconds", 0)))
        return m, None
    if os.path.exists(tree_dir):
        # A half-written or different tree: move it out of the way, remove it now.
        remove_later(os.path.dirname(tree_dir), [tree_dir], True, 2 * a.files)
    log("generating %d files per tree in %s ..." % (a.files, tree_dir))
    cmd = [sys.executable, MAKE_TREE, "--files", str(a.files), "--out", tree_dir,
           "--seed", str(a.seed), "--variant", a.variant, "--size", str(a.size)]
    t0 = time.monotonic()
    done = subprocess.run(cmd, check=True, stdout=subprocess.PIPE, text=True)
    log(done.stdout.rstrip("\n"))
    gen = time.monotonic() - t0
    return read_manifest(tree_dir), gen


def copy_budget(workdir, files, size):
    """How many sync copies fit in half of the free inodes and blocks."""
    st = os.statvfs(workdir)
    block = st.f_frsize or 4096
    per_file = max(block, -(-size // block) * block)
    folders = max(1, round(files / 47.4))
    per_copy_bytes = files * per_file + folders * block
    per_copy_inodes = files + folders
    by_bytes = (st.f_bavail * st.f_frsize) // 2 // per_copy_bytes
    by_inodes = (st.f_favail // 2) // per_copy_inodes if st.f_files else by_bytes
    return int(min(by_bytes, by_inodes))


# --- the measurements ----------------------------------------------------------------

def measure(results, order, commands, reps, scratch, before=None, envs=None, keep=()):
    """Warm-up of each command, then reps rounds; the order rotates every round.

    envs maps a key to the environment its command runs in; the stdout of the
    keys in keep is read back after every round (Result.warm_output, .outputs).
    """
    failed = {}
    for rnd in range(reps + 1):
        keys = order[rnd % len(order):] + order[:rnd % len(order)] if rnd else order
        for key in keys:
            if key in failed:
                continue
            argv = commands[key](rnd)
            if before:
                before(key, rnd)
            out = os.path.join(scratch, key + ".out") if rnd == 0 or key in keep else os.devnull
            err = os.path.join(scratch, key + ".err")
            t = run_timed_split(argv, stdout_path=out, stderr_path=err,
                                rss_path=os.path.join(scratch, key + ".rss"),
                                env=(envs or {}).get(key))
            status, wall = t.status, t.wall
            r = results[key]
            if status != 0:
                failed[key] = True
                r.note = "exit %d: %s" % (status, tail(err, 3).replace("\n", " | "))
                log("  %s failed: %s" % (key, r.note))
                continue
            if key in keep:
                with open(out, "rb") as fh:
                    text = fh.read().decode("utf-8", "replace")
                if rnd == 0:
                    r.warm_output = text
                else:
                    r.outputs.append(text)
            if rnd == 0:
                r.rows = count_lines(out)
                os.unlink(out)
                log("  warm-up %-8s %7.3f s" % (key, wall))
            else:
                r.add(wall, t.user + t.sys, t.rss_kib, t.user)
        if rnd:
            log("  round %d/%d: %s" % (rnd, reps, "  ".join(
                "%s %.3f" % (k, results[k].wall[-1]) for k in order if results[k].wall
                and len(results[k].wall) == rnd)))


# --- the desktop program -------------------------------------------------------------

UI_HOME_DIRS = ("config", "data", "cache", "state", "runtime")


def ui_env(home):
    """The environment of orvel-ui-bench: offscreen, every XDG folder under home.

    The program reads its settings at start and writes its working set back at
    exit; pointed here it never sees or changes the user's own settings.
    """
    env = dict(os.environ)
    env.update({
        "QT_QPA_PLATFORM": "offscreen",
        "XDG_CONFIG_HOME": os.path.join(home, "config"),
        "XDG_DATA_HOME": os.path.join(home, "data"),
        "XDG_CACHE_HOME": os.path.join(home, "cache"),
        "XDG_STATE_HOME": os.path.join(home, "state"),
        "XDG_RUNTIME_DIR": os.path.join(home, "runtime"),
    })
    return env


def fresh_ui_home(home):
    """Empties the settings folders so that no run starts from an earlier run's working set.

    The cache is kept: a font cache, if one is written, is not a setting.
    """
    for name in UI_HOME_DIRS:
        path = os.path.join(home, name)
        if name != "cache":
            shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path, mode=0o700, exist_ok=True)


def one_file_trees(root):
    """Two identical one-file trees: the desktop program's start-up and resting size."""
    for side in ("base", "target"):
        os.makedirs(os.path.join(root, side))
        path = os.path.join(root, side, "one.dat")
        with open(path, "wb") as fh:
            fh.write(b"x" * 100)
        os.utime(path, ns=(1_500_000_000_123_456_789, 1_500_000_000_123_456_789))
    return os.path.join(root, "base"), os.path.join(root, "target")


def parse_ui_line(text):
    """The figures of one orvel-ui-bench run (its last JSON line), or None."""
    for line in reversed(text.strip().split("\n")):
        line = line.strip()
        if not line.startswith("{"):
            continue
        try:
            fig = json.loads(line)
        except ValueError:
            return None
        if not isinstance(fig, dict) or any(k not in fig for k in UI_FIELDS):
            return None
        if not (isinstance(fig["sort_s"], list) and fig["sort_s"]):
            return None
        return fig
    return None


def read_ui_figures(r, want_rows):
    """Parses every round's line of a desktop run into r.figures; notes what is wrong."""
    r.figures = []
    texts = ([r.warm_output] if r.warm_output is not None else []) + r.outputs
    for i, text in enumerate(texts):
        fig = parse_ui_line(text)
        label = "the warm-up" if i == 0 else "round %d" % i
        if fig is None:
            r.note = "no figures in the output of %s: %r" % (label, text.strip()[-120:])
            r.figures = []
            return
        if want_rows is not None and fig["rows"] != want_rows:
            r.note = "row count differs in %s: %s, expected %s" % (
                label, format(fig["rows"], ","), format(want_rows, ","))
        if i:
            r.figures.append(fig)
    if len(r.figures) == len(r.rss_kib):
        # The program resets its high-water mark before each sort to measure
        # what the sort takes, which hides the earlier peak from GNU time; the
        # peak it reports itself is the whole run's.
        r.rss_kib = [max(kib, fig["peak_rss_kib"]) for kib, fig in zip(r.rss_kib, r.figures)]
    if r.warm_output is not None:
        r.rows = parse_ui_line(r.warm_output)["rows"]


def ui_summary(figs):
    """Medians of each in-process figure over the timed rounds; max for gap and sorts."""
    if not figs:
        return None
    med = {k: statistics.median(f[k] for f in figs) for k in UI_FIELDS if k != "sort_s"}
    columns = max(len(f["sort_s"]) for f in figs)
    med["sort_s"] = [statistics.median(f["sort_s"][c] for f in figs if c < len(f["sort_s"]))
                     for c in range(columns)]
    med["max_gap_ms"] = max(f["longest_gap_ms"] for f in figs)
    med["max_sort_s"] = max(max(f["sort_s"]) for f in figs)
    for k in ("list_rss_kib", "list_peak_rss_kib", "rss_anon_kib", "rss_file_kib"):
        med["max_" + k] = max(f[k] for f in figs)
    return med


def main(argv=None):
    ap = argparse.ArgumentParser(
        description="Times orvel-cli against rsync, find and cp, and the desktop program against orvel-cli.")
    ap.add_argument("--files", type=int, default=100_000)
    ap.add_argument("--reps", type=int, default=5, help="timed repetitions after a warm-up run")
    ap.add_argument("--workdir", default=os.path.join("/tmp", "orvel-bench"))
    ap.add_argument("--cli", default=os.environ.get("ORVEL_CLI", DEFAULT_CLI))
    ap.add_argument("--ui-bench", default=os.environ.get("ORVEL_UI_BENCH", DEFAULT_UI_BENCH),
                    help="the desktop program's bench (build/ui/orvel-ui-bench)")
    ap.add_argument("--keep", action="store_true",
                    help="keep the trees for the next run (and reuse kept ones)")
    ap.add_argument("--variant", choices=("identical", "changed"), default="identical")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--size", type=int, default=100)
    ap.add_argument("--only", choices=("list", "sync", "ui"), help="run one group of measurements")
    ap.add_argument("--sync-reps", type=int, help="repetitions of the sync pair (default --reps)")
    ap.add_argument("--foreground-cleanup", action="store_true",
                    help="remove copies before exiting instead of in the background")
    ap.add_argument("--settle", type=int, default=120,
                    help="seconds between the end of a removal and the first timed copy (120)")
    ap.add_argument("--json", help="also write the figures to this file")
    a = ap.parse_args(argv)
    if a.files < 1 or a.reps < 1:
        ap.error("--files and --reps must be at least 1")

    workdir = os.path.realpath(a.workdir)
    if workdir == REPO or workdir.startswith(REPO + os.sep):
        ap.error("--workdir must be outside the repository (%s)" % REPO)
    cli = os.path.abspath(a.cli)
    if not (os.path.isfile(cli) and os.access(cli, os.X_OK)):
        ap.error("orvel-cli not found at %s (build it, or give --cli PATH / ORVEL_CLI)" % cli)
    ui_bench = os.path.abspath(a.ui_bench)
    ui_note = ""
    if a.only in (None, "ui") and not (os.path.isfile(ui_bench) and os.access(ui_bench, os.X_OK)):
        if a.only == "ui":
            ap.error("orvel-ui-bench not found at %s (build it, or give --ui-bench PATH / "
                     "ORVEL_UI_BENCH)" % ui_bench)
        ui_note = "desktop program skipped: no orvel-ui-bench at %s" % ui_bench
        log(ui_note)
    run_ui = a.only in (None, "ui") and not ui_note
    for tool in ("rsync", "find", "cp", "rm") if a.only != "ui" else ("rm",):
        if not shutil.which(tool):
            ap.error("%s is needed as a reference and is not installed" % tool)
    os.makedirs(workdir, exist_ok=True)
    wait_for_cleanup(workdir)

    tree_dir = os.path.join(workdir, "trees-n%d-%s-s%d-z%d" % (a.files, a.variant, a.seed, a.size))
    manifest, gen_s = ensure_trees(a, tree_dir)
    base = os.path.join(tree_dir, "base")
    target = os.path.join(tree_dir, "target")
    stamp = datetime.datetime.now().strftime("%Y%m%d-%H%M%S")
    scratch = os.path.join(workdir, "sync-%s-%d" % (stamp, os.getpid()))
    os.makedirs(scratch)
    # Written-back trees, so that no earlier writing is flushed during a timed run.
    os.sync()
    load_start = os.getloadavg()

    results = {}
    labels = [
        ("a", "orvel-cli list --hide-same"),
        ("b", "rsync -a -n --delete"),
        ("c", "find -printf '%T@\\n'"),
        ("d", "orvel-cli list (all rows)"),
        ("e_orvel", "orvel-cli sync --yes, new folder"),
        ("e_cp", "cp -a, new folder"),
        ("f", "orvel-ui-bench (whole process)"),
        ("f0", "orvel-ui-bench, one-file trees"),
    ]
    for key, label in labels:
        results[key] = Result(key, label)
    made = []  # folders that receive a copy of the base
    sync_reps = a.sync_reps if a.sync_reps is not None else a.reps
    if a.only in ("list", "ui"):
        sync_reps = 0
    sync_note = ""
    try:
        if a.only in (None, "list") or run_ui:
            commands = {
                "a": lambda r: [cli, "list", base, target, "--hide-same"],
                "b": lambda r: ["rsync", "-a", "-n", "--delete", base + "/", target + "/"],
                "c": lambda r: ["find", base, target, "-printf", "%T@\n"],
                "d": lambda r: [cli, "list", base, target],
            }
            order = ["a", "b", "c", "d"] if a.only in (None, "list") else ["d"]
            envs, before = {}, None
            if run_ui:
                # The desktop runs take their turns among the cli's, so that d,
                # their reference, is timed under the same load.
                home = os.path.join(scratch, "ui-home")
                small_base, small_target = one_file_trees(os.path.join(scratch, "ui-one-file"))
                commands["f"] = lambda r: [ui_bench, base, target]
                commands["f0"] = lambda r: [ui_bench, small_base, small_target]
                envs = {"f": ui_env(home), "f0": ui_env(home)}
                order += ["f", "f0"]

                def before(key, rnd):
                    if key in envs:
                        fresh_ui_home(home)
            groups = [g for g, on in (("list", a.only != "ui"), ("desktop", run_ui)) if on]
            log("%s measurements: %d round(s) after a warm-up" % (" and ".join(groups), a.reps))
            measure(results, order, commands, a.reps, scratch, before, envs, keep=("f", "f0"))
            if run_ui:
                read_ui_figures(results["f"], results["d"].rows)
                read_ui_figures(results["f0"], 1)
                settings = os.path.join(home, "config", "Brelt", "Orvel.conf")
                if results["f"].figures and not os.path.exists(settings):
                    ui_note = ("orvel-ui-bench wrote no settings to %s: check that it does not "
                               "write them elsewhere" % settings)
                    log(ui_note)

        if a.only in (None, "sync"):
            budget = copy_budget(workdir, a.files, a.size)
            if budget < 4:
                sync_reps = 0
                sync_note = "sync skipped: room for %d copies only" % budget
            elif 2 * (sync_reps + 1) > budget:
                sync_note = "sync rounds cut from %d to %d to stay within half the free space" % (
                    sync_reps, budget // 2 - 1)
                sync_reps = budget // 2 - 1
            if sync_note:
                log(sync_note)
        if a.only in (None, "sync") and sync_reps > 0:
            settle_after_removal(workdir, a.settle)
            log("sync measurements: %d round(s) after a warm-up, each into a new folder" % sync_reps)

            def dest(key, rnd):
                # Every copy gets a folder of its own under a parent of its own, and
                # nothing is deleted until all timings are done.
                return os.path.join(scratch, "r%d-%s" % (rnd, key), "copy")

            def before(key, rnd):
                parent = os.path.dirname(dest(key, rnd))
                os.mkdir(parent)
                made.append(parent)
                if key == "e_orvel":
                    os.mkdir(dest(key, rnd))  # the target folder exists but is empty
                os.sync()

            commands = {
                "e_orvel": lambda r: [cli, "sync", base, dest("e_orvel", r), "--yes"],
                "e_cp": lambda r: ["cp", "-a", base, dest("e_cp", r)],
            }
            measure(results, ["e_orvel", "e_cp"], commands, sync_reps, scratch, before)
            for key in ("e_orvel", "e_cp"):
                if results[key].wall or results[key].rows is not None:
                    diff = compare_trees(base, dest(key, 0))
                    if diff:
                        results[key].note = "copy differs from base: " + diff
                        log("  %s: %s" % (key, results[key].note))
    finally:
        # The copies live in scratch; all of it goes only after the last timing.
        remove_later(workdir, [scratch] + ([] if a.keep else [tree_dir]), a.foreground_cleanup,
                     a.files * (len(made) + (0 if a.keep else 2)))

    report(a, manifest, gen_s, load_start, results, sync_reps, sync_note, cli, tree_dir,
           ui_bench if run_ui else None, ui_note)
    if a.json:
        with open(a.json, "w", encoding="utf-8") as fh:
            json.dump(to_json(a, manifest, gen_s, results), fh, indent=1)
    return 1 if any(r.note.startswith(("exit", "no figures")) or "differs" in r.note
                    for r in results.values()) else 0


def fmt(v, spec="%.3f"):
    return "-" if v is None else spec % v


def report(a, manifest, gen_s, load_start, results, sync_reps, sync_note, cli, tree_dir,
           ui_bench=None, ui_note=""):
    p = print
    p()
    p("Orvel benchmark: %s files per tree (%s), %s folders, depth %s"
      % (format(a.files, ","), a.variant, format(manifest.get("folders", 0), ","),
         manifest.get("depth")))
    p("  trees   %s (%s)" % (tree_dir, "generated in %.1f s" % gen_s if gen_s is not None
                             else "reused"))
    p("  cli     %s" % cli)
    if ui_bench:
        p("  desktop %s (offscreen, settings in a fresh scratch folder every run)" % ui_bench)
    p("  rounds  %d list, %d sync, each after a warm-up; load average at start %.2f, at end %.2f"
      % (0 if a.only == "sync" else a.reps, sync_reps, load_start[0], os.getloadavg()[0]))
    for note in (sync_note, ui_note):
        if note:
            p("  note    " + note)
    p()
    p("     %-34s %9s %9s %9s %9s %10s" % ("measurement", "median s", "min s", "max s",
                                          "cpu s", "max RSS MiB"))
    for key, r in results.items():
        if not r.wall and not r.note:
            continue
        rss = max(r.rss_kib) / 1024 if r.rss_kib else None
        cpu = statistics.median(r.cpu) if r.cpu else None
        p("  %-2s %-34s %9s %9s %9s %9s %10s" % (
            key.replace("e_orvel", "e1").replace("e_cp", "e2"), r.label, fmt(r.median()),
            fmt(min(r.wall) if r.wall else None), fmt(max(r.wall) if r.wall else None),
            fmt(cpu), fmt(rss, "%.1f")))
    printed = ["%s %s" % (k, format(results[k].rows, ",")) for k in ("a", "d")
               if results[k].rows is not None]
    if results["f"].rows is not None:
        printed.append("f %s (rows in its list)" % format(results["f"].rows, ","))
    if printed:
        p("  rows printed in the warm-up run: " + ", ".join(printed))
    for r in results.values():
        if r.note:
            p("  %s: %s" % (r.key, r.note))
    p()
    p("  %-14s %8s %8s  %s" % ("figure", "value", "target", ""))
    for name, num, den, limit in TARGETS:
        n, d = results[num].median(), results[den].median()
        if n is None or d is None or d == 0:
            continue
        v = n / d
        verdict = "ok" if v <= limit else "MISSED"
        if results[num].note or results[den].note:
            verdict += " (but see the note above)"
        p("  %-14s %8.2f %8s  %s" % (name, v, "<= %.2g" % limit, verdict))
    e1, e2 = results["e_orvel"].wall, results["e_cp"].wall
    if e1 and len(e1) == len(e2):
        # Each round runs the two copies back to back, so this ratio is steadier
        # than the one of medians when the disk's speed drifts during the run.
        per_round = statistics.median(x / y for x, y in zip(e1, e2))
        p("  %-14s %8.2f %8s  %s" % ("e per round", per_round, "", "median of the rounds' ratios"))
    for key in ("a", "d"):
        r = results[key]
        if not r.rss_kib:
            continue
        mib = max(r.rss_kib) / 1024
        if key == "d" and a.files == RSS_LIMIT_ROWS:
            verdict = "ok" if mib < RSS_LIMIT_MIB else "MISSED"
            p("  %-14s %8.1f %8s  %s" % ("RSS d MiB", mib, "< %d" % RSS_LIMIT_MIB, verdict))
        else:
            p("  %-14s %8.1f %8s" % ("RSS %s MiB" % key, mib, "-"))
    if results["b"].rss_kib:
        p("  %-14s %8.1f %8s" % ("RSS rsync MiB", max(results["b"].rss_kib) / 1024, "-"))
    report_ui(results)
    p()


def report_ui(results):
    """The desktop program's figures: its own in-process ones, and against d."""
    p = print
    f, f0, d = results["f"], results["f0"], results["d"]
    fs, f0s = ui_summary(f.figures), ui_summary(f0.figures)
    if not fs:
        return
    mib = lambda kib: "%.1f" % (kib / 1024)
    p()
    p("  desktop program, in-process (median of %d rounds)  %12s %12s"
      % (len(f.figures), "f", "f0" if f0s else ""))
    rows = [("rows", lambda s: format(int(s["rows"]), ",")),
            ("list creation s", lambda s: "%.3f" % s["list_s"]),
            ("longest gap ms", lambda s: "%d" % s["longest_gap_ms"]),
            ("RSS right after the list MiB", lambda s: mib(s["list_rss_kib"])),
            ("peak RSS right after the list MiB", lambda s: mib(s["list_peak_rss_kib"])),
            ("RSS at the end MiB", lambda s: mib(s["rss_kib"])),
            ("peak RSS at the end MiB", lambda s: mib(s["peak_rss_kib"])),
            ("  anonymous (heap) at the end MiB", lambda s: mib(s["rss_anon_kib"])),
            ("  file-backed (code, fonts) MiB", lambda s: mib(s["rss_file_kib"]))]
    for name, get in rows:
        p("    %-46s %12s %12s" % (name, get(fs), get(f0s) if f0s else ""))
    p("    %-46s %s" % ("sort s, columns 1-%d" % len(fs["sort_s"]),
                        " ".join("%.3f" % v for v in fs["sort_s"])))
    p()
    p("  %-14s %8s %8s  %s" % ("figure", "value", "target", ""))
    seen = " (but see the note above)" if f.note or d.note else ""
    line = lambda name, v, target, verdict: p("  %-14s %8s %8s  %s" % (name, v, target, verdict))
    judge = lambda ok, why: ("ok" if ok else "MISSED") + seen + (" " + why if why else "")
    dwall = d.median()
    if dwall:
        v = fs["list_s"] / dwall
        line("f list/d", "%.2f" % v, "<= %.1f" % UI_LIST_LIMIT,
             judge(v <= UI_LIST_LIMIT, "(in-process list creation / cli wall)"))
        line("f wall/d", "%.2f" % (f.median() / dwall), "-", "whole process, Qt start-up included")
    line("f gap ms", "%d" % fs["max_gap_ms"], "<= %d" % UI_GAP_LIMIT_MS,
         judge(fs["max_gap_ms"] <= UI_GAP_LIMIT_MS, "(max over rounds)"))
    line("f sort s", "%.3f" % fs["max_sort_s"], "< %.1f" % UI_SORT_LIMIT_S,
         judge(fs["max_sort_s"] < UI_SORT_LIMIT_S, "(max over rounds and columns)"))
    if d.rss_kib:
        dpeak = max(d.rss_kib)
        for name, key, why in (("f RSS/d", "max_list_rss_kib", "RSS right after the list"),
                               ("f peak/d", "max_list_peak_rss_kib", "peak RSS right after the list")):
            v = fs[key] / dpeak
            line(name, "%.2f" % v, "<= %.1f" % UI_RSS_LIMIT,
                 judge(v <= UI_RSS_LIMIT, "(%s, max over rounds / d's peak %s MiB)" % (why, mib(dpeak))))
        line("f anon/d", "%.2f" % (fs["max_rss_anon_kib"] / dpeak), "-", "anonymous memory at the end")
        if f0s:
            v = (fs["max_list_rss_kib"] - f0s["max_list_rss_kib"]) / dpeak
            line("(f-f0) RSS/d", "%.2f" % v, "-", "what the list adds to the resting program")
    if f0s:
        line("f0 RSS MiB", mib(f0s["max_list_rss_kib"]), "-",
             "baseline: the program with a one-row list")
        line("f0 file MiB", mib(f0s["max_rss_file_kib"]), "-",
             "shared library code and fonts, which orvel-cli does not map")


def to_json(a, manifest, gen_s, results):
    return {
        "files": a.files, "variant": a.variant, "reps": a.reps, "tree": manifest,
        "generation_s": gen_s,
        "results": {k: {"label": r.label, "wall_s": r.wall, "cpu_s": r.cpu, "maxrss_kib": r.rss_kib,
                        "median_s": r.median(), "rows": r.rows, "note": r.note,
                        **({"rounds": r.figures, "summary": ui_summary(r.figures)}
                           if r.figures else {})}
                    for k, r in results.items()},
    }


if __name__ == "__main__":
    sys.exit(main())
