#!/usr/bin/env python3
"""Checks of the tree generator and the bench driver: python3 bench/bench_test.py"""

import contextlib
import hashlib
import io
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import make_tree  # noqa: E402


def scan(root):
    """relative path -> (mtime_ns, sha1 of contents) for every file below root."""
    out = {}
    for dirpath, _, files in os.walk(root):
        for name in files:
            p = os.path.join(dirpath, name)
            with open(p, "rb") as fh:
                digest = hashlib.sha1(fh.read()).hexdigest()
            out[os.path.relpath(p, root)] = (os.stat(p).st_mtime_ns, digest)
    return out


def folders(root):
    return sorted(os.path.relpath(d, root) for d, _, _ in os.walk(root) if d != root)


def generate(out, *args):
    make_tree.main(["--out", out, "--quiet"] + list(args))


class FolderPlanTest(unittest.TestCase):
    def test_sizes_of_the_large_trees(self):
        for files, nfolders, depth in ((100_000, 2110, 3), (1_000_000, 21097, 4)):
            plan = make_tree.plan_folders(files)
            self.assertEqual(len(plan), nfolders)
            self.assertEqual(len(set(plan)), nfolders)
            self.assertEqual(max(p.count("/") + 1 for p in plan if p), depth)
            per = [len(r) for r in make_tree.files_per_folder(files, len(plan))]
            self.assertEqual(sum(per), files)
            self.assertEqual((min(per), max(per)), (47, 48))

    def test_tiny_trees_have_one_folder(self):
        self.assertEqual(make_tree.plan_folders(0), [""])
        self.assertEqual(make_tree.plan_folders(5), [""])
        self.assertEqual(sum(len(r) for r in make_tree.files_per_folder(5, 1)), 5)


class GeneratorTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="make_tree_test.")
        self.out = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def test_identical_trees_match_to_the_nanosecond(self):
        generate(self.out, "--files", "1000")
        base = scan(os.path.join(self.out, "base"))
        target = scan(os.path.join(self.out, "target"))
        self.assertEqual(len(base), 1000)
        self.assertEqual(base, target)
        self.assertEqual(len(folders(os.path.join(self.out, "base"))), 20)
        self.assertEqual(folders(os.path.join(self.out, "base")),
                         folders(os.path.join(self.out, "target")))
        names = " ".join(base)
        self.assertIn("写真 ", names)
        self.assertIn("report ", names)
        self.assertIn("my docs ", names)
        # Nanoseconds are set, not rounded away by the write.
        self.assertGreater(sum(1 for t, _ in base.values() if t % 1_000_000_000), 990)
        self.assertEqual(len({t for t, _ in base.values()}), 1000)
        sizes = {os.path.getsize(os.path.join(self.out, "base", p)) for p in base}
        self.assertEqual(sizes, {100})
        for side in ("base", "target"):
            st = os.stat(os.path.join(self.out, side))
            self.assertEqual(st.st_mtime_ns, make_tree.dir_mtime_ns(0, 1))

    def test_same_options_give_the_same_tree_and_the_seed_changes_it(self):
        generate(os.path.join(self.out, "one"), "--files", "300", "--seed", "7")
        generate(os.path.join(self.out, "two"), "--files", "300", "--seed", "7")
        generate(os.path.join(self.out, "three"), "--files", "300", "--seed", "8")
        one = scan(os.path.join(self.out, "one", "base"))
        self.assertEqual(one, scan(os.path.join(self.out, "two", "base")))
        three = scan(os.path.join(self.out, "three", "base"))
        self.assertEqual(set(one), set(three))
        self.assertNotEqual(one, three)

    def test_changed_variant_has_one_percent_of_each_difference(self):
        generate(self.out, "--files", "2000", "--variant", "changed", "--size", "64")
        base = scan(os.path.join(self.out, "base"))
        target = scan(os.path.join(self.out, "target"))
        self.assertEqual((len(base), len(target)), (2000, 2000))
        only_base = set(base) - set(target)
        only_target = set(target) - set(base)
        both = set(base) & set(target)
        newer = {p for p in both if base[p] != target[p]}
        self.assertEqual((len(only_base), len(only_target), len(newer)), (20, 20, 20))
        for p in newer:
            self.assertEqual(base[p][0] - target[p][0], 10_000_000_000)
            self.assertNotEqual(base[p][1], target[p][1])
        self.assertTrue(all(os.path.basename(p).startswith("new ") for p in only_target))
        for p in only_base | only_target:
            self.assertEqual(os.path.getsize(os.path.join(
                self.out, "base" if p in only_base else "target", p)), 64)

    def test_only_base_and_refusal_to_overwrite(self):
        generate(self.out, "--files", "200", "--only-base")
        self.assertEqual(len(scan(os.path.join(self.out, "base"))), 200)
        self.assertFalse(os.path.exists(os.path.join(self.out, "target")))
        with self.assertRaises(SystemExit):
            generate(self.out, "--files", "10")
        self.assertEqual(len(scan(os.path.join(self.out, "base"))), 200)
        generate(self.out, "--files", "10", "--force")
        self.assertEqual(len(scan(os.path.join(self.out, "base"))), 10)
        self.assertEqual(len(scan(os.path.join(self.out, "target"))), 10)


# Stands in for orvel-ui-bench. Its n-th run on a tree prints the n-th value
# of each list below (run 0 is the warm-up). It refuses to run when the driver
# left settings from an earlier run or did not make it offscreen, and writes
# settings at exit as the desktop program does.
UI_STANDIN = r"""#!/usr/bin/env python3
import json, os, sys
LIST_S = [9.0, 0.1, 0.3, 0.2]
GAP_MS = [999, 10, 70, 20]
SORT_S = [[5.0] * 5, [0.1] * 5, [0.2, 0.9, 0.1, 0.1, 0.1], [0.3] * 5]
BROKEN = %(broken)r
config = os.environ["XDG_CONFIG_HOME"]
if os.environ.get("QT_QPA_PLATFORM") != "offscreen" or not config.startswith(%(work)r):
    sys.exit("not offscreen or settings outside the work folder")
if os.listdir(config):
    sys.exit("settings left from an earlier run: %%s" %% os.listdir(config))
os.makedirs(os.path.join(config, "Brelt"))
open(os.path.join(config, "Brelt", "Orvel.conf"), "w").write("[General]\n")
rows = sum(len(f) for _, _, f in os.walk(sys.argv[1]))
counter = os.path.join(%(tmp)r, "runs-%%d" %% rows)
n = int(open(counter).read()) if os.path.exists(counter) else 0
open(counter, "w").write(str(n + 1))
if BROKEN == n:
    print("Segmentation fault, or so")
    sys.exit(0)
mib = 1024 if rows > 1 else 512  # the one-file run (f0) rests at half the size
print(json.dumps({"rows": rows + (BROKEN == -n), "list_s": LIST_S[n], "longest_gap_ms": GAP_MS[n],
                  "sort_s": SORT_S[n], "list_peak_rss_kib": (60 + n) * mib,
                  "list_rss_kib": (50 + n) * mib, "peak_rss_kib": 70 * mib, "rss_kib": 65 * mib,
                  "rss_anon_kib": 30 * mib, "rss_file_kib": 31 * mib}))
"""


class DriverTest(unittest.TestCase):
    """Runs the whole driver on a tiny tree with stand-ins for orvel-cli and orvel-ui-bench."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="bench_run_test.")
        self.work = os.path.join(self.tmp.name, "work")
        self.ui = self.ui_standin()

    def tearDown(self):
        self.tmp.cleanup()

    def ui_standin(self, broken=None):
        path = os.path.join(self.tmp.name, "ui_bench.py")
        with open(path, "w") as fh:
            fh.write(UI_STANDIN % {"broken": broken, "work": self.work, "tmp": self.tmp.name})
        os.chmod(path, 0o755)
        return path

    def run_bench(self, cli, *extra, reps=2):
        return subprocess.run(
            [os.path.join(HERE, "run.sh"), "--files", "300", "--reps", str(reps), "--cli", cli,
             "--workdir", self.work, "--foreground-cleanup"] + list(extra),
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=300)

    def test_stand_in_gives_every_figure(self):
        r = self.run_bench(os.path.join(HERE, "standin_cli.sh"), "--ui-bench", self.ui)
        self.assertEqual(r.returncode, 0, r.stderr)
        for figure in ("a/b", "a/c", "d/a", "e_orvel/e_cp", "e per round", "RSS d MiB",
                       "RSS rsync MiB", "f list/d", "f wall/d", "f gap ms", "f sort s",
                       "f RSS/d", "f peak/d", "f anon/d", r"\(f-f0\) RSS/d", "f0 RSS MiB",
                       "f0 file MiB"):
            self.assertRegex(r.stdout, r"\n  %s +\d+\.?\d* " % figure)
        self.assertIn("rows printed in the warm-up run: a 0, d 300, f 300 (rows in its list)",
                      r.stdout)
        # Nothing but the note of the last removal is left once the removal is done.
        work = os.path.join(self.tmp.name, "work")
        self.assertEqual(os.listdir(work), ["removed.stamp"])
        with open(os.path.join(work, "removed.stamp")) as fh:
            self.assertEqual(fh.read().split()[1], str(300 * 3 * 2 + 300 * 2))  # 3 rounds of 2 copies, 2 trees

    def test_failing_or_wrong_cli_is_reported(self):
        bad = os.path.join(self.tmp.name, "bad_cli.sh")
        with open(bad, "w") as fh:
            fh.write('#!/bin/sh\ncase "$1" in\n'
                     'list) [ "${4:-}" = --hide-same ] && { echo boom >&2; exit 3; }; exit 0 ;;\n'
                     'sync) cp -r "$2/." "$3/" ;;\nesac\n')
        os.chmod(bad, 0o755)
        r = self.run_bench(bad, "--keep", "--ui-bench", os.path.join(self.tmp.name, "none"))
        self.assertEqual(r.returncode, 1)
        self.assertIn("a: exit 3: boom", r.stdout)
        self.assertIn("e_orvel: copy differs from base: 300 entries differ", r.stdout)
        self.assertNotIn("\n  a/b ", r.stdout)
        self.assertIn("note    desktop program skipped: no orvel-ui-bench at", r.stdout)
        self.assertEqual(sorted(os.listdir(os.path.join(self.tmp.name, "work"))),
                         ["removed.stamp", "trees-n300-identical-s1-z100"])

    def test_desktop_figures_are_medians_and_maxima_of_the_timed_rounds(self):
        r = self.run_bench(os.path.join(HERE, "standin_cli.sh"), "--only", "ui",
                           "--ui-bench", self.ui, reps=3)
        self.assertEqual(r.returncode, 0, r.stderr)
        out = r.stdout
        self.assertNotIn("\n  a ", out)
        self.assertNotIn("e_orvel", out)
        # The warm-up's 9 s, 999 ms and 5 s sorts count nowhere.
        self.assertRegex(out, r"list creation s +0\.200 +0\.200\n")
        self.assertRegex(out, r"longest gap ms +20 +20\n")
        self.assertRegex(out, r"sort s, columns 1-5 +0\.200 0\.300 0\.100 0\.100 0\.100\n")
        self.assertRegex(out, r"\n  f gap ms +70 +<= 50  MISSED")
        self.assertRegex(out, r"\n  f sort s +0\.900 +< 1\.0  ok")
        # Memory against d is the largest round's (53 MiB, 63 MiB), not the median;
        # the one-file run rests at half of f's size.
        dpeak = float(re.search(r"d's peak (\d+\.\d) MiB", out).group(1))
        for figure, mib in (("f RSS/d", 53), ("f peak/d", 63), (r"\(f-f0\) RSS/d", 53 / 2)):
            m = re.search(r"\n  %s +(\d+\.\d+) " % figure, out)
            self.assertIsNotNone(m, figure + out)
            self.assertAlmostEqual(float(m.group(1)), mib / dpeak, delta=0.05 * mib / dpeak)
        self.assertRegex(out, r"\n  f0 RSS MiB +26\.5 ")
        self.assertRegex(out, r"\n  f0 file MiB +15\.5 ")
        with open(os.path.join(self.work, "removed.stamp")) as fh:
            self.assertEqual(fh.read().split()[1], "600")  # the trees; nothing else was copied

    def test_wrong_desktop_output_fails_the_run(self):
        for broken, note in ((2, "no figures in the output of round 2: 'Segmentation fault, or so'"),
                             (-1, "row count differs in round 1: 301, expected 300")):
            for name in os.listdir(self.tmp.name):
                if name.startswith("runs-"):
                    os.unlink(os.path.join(self.tmp.name, name))
            self.ui_standin(broken)
            r = self.run_bench(os.path.join(HERE, "standin_cli.sh"), "--only", "ui",
                               "--ui-bench", self.ui, "--keep")
            self.assertEqual(r.returncode, 1, r.stdout)
            self.assertIn("  f: " + note, r.stdout)

    def test_desktop_group_needs_the_desktop_bench(self):
        r = self.run_bench(os.path.join(HERE, "standin_cli.sh"), "--only", "ui",
                           "--ui-bench", os.path.join(self.tmp.name, "none"))
        self.assertEqual(r.returncode, 2)
        self.assertIn("orvel-ui-bench not found", r.stderr)
        self.assertFalse(os.path.exists(self.work))

    def test_sync_rounds_shrink_to_the_free_space(self):
        import run
        work = os.path.join(self.tmp.name, "work")
        cli = os.path.join(HERE, "standin_cli.sh")
        saved = run.copy_budget
        try:
            for budget, note, rounds in ((5, "sync rounds cut from 3 to 1", 1),
                                         (3, "sync skipped: room for 3 copies only", 0)):
                run.copy_budget = lambda *_: budget
                out, err = io.StringIO(), io.StringIO()
                with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
                    status = run.main(["--files", "100", "--reps", "3", "--cli", cli,
                                       "--workdir", work, "--only", "sync", "--keep",
                                       "--foreground-cleanup"])
                self.assertEqual(status, 0, err.getvalue())
                self.assertIn("note    " + note, out.getvalue())
                self.assertIn("0 list, %d sync" % rounds, out.getvalue())
                self.assertEqual("e_orvel/e_cp" in out.getvalue(), rounds > 0)
        finally:
            run.copy_budget = saved

    def test_copies_wait_only_after_a_large_removal(self):
        import run
        work = self.tmp.name
        for files, waits in ((run.SETTLE_FROM_FILES - 1, False), (run.SETTLE_FROM_FILES, True)):
            run.stamp_removal(work, files)
            t0 = time.monotonic()
            with contextlib.redirect_stderr(io.StringIO()):
                run.settle_after_removal(work, 2)
            self.assertEqual(time.monotonic() - t0 > 1.0, waits, files)

    def test_workdir_inside_the_repository_is_refused(self):
        r = subprocess.run([os.path.join(HERE, "run.sh"), "--workdir", os.path.join(HERE, "x"),
                            "--cli", os.path.join(HERE, "standin_cli.sh")],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.assertEqual(r.returncode, 2)
        self.assertIn("outside the repository", r.stderr)
        self.assertFalse(os.path.exists(os.path.join(HERE, "x")))



# Stands in for orvel-cli in the goals run: list as standin_cli.sh does; sync
# copies into an empty target and prints a row per file; with --remember it
# writes a state of one entry per base file under $XDG_STATE_HOME/orvel/.
# STANDIN_SYNC_TOUCHES makes a sync of two full trees change a target file.
GOALS_CLI = r"""#!/usr/bin/env python3
import os, sqlite3, subprocess, sys
cmd, base, target = sys.argv[1:4]
if cmd == "list":
    os.execv(%(standin)r, [%(standin)r] + sys.argv[1:])
files = sorted(os.path.relpath(os.path.join(d, n), base) for d, _, ns in os.walk(base) for n in ns)
if not os.listdir(target):
    subprocess.run(["cp", "-a", base + "/.", target + "/"], check=True)
elif os.environ.get("STANDIN_SYNC_TOUCHES"):
    os.utime(os.path.join(target, files[0]), ns=(1, 1))
if "--remember" in sys.argv:
    state = os.path.join(os.environ["XDG_STATE_HOME"], "orvel")
    os.makedirs(state, exist_ok=True)
    db = sqlite3.connect(os.path.join(state, "sync-state.db"))
    db.execute("CREATE TABLE IF NOT EXISTS entry(name BLOB PRIMARY KEY, mtime INTEGER)")
    db.executemany("INSERT OR REPLACE INTO entry VALUES(?, 0)", [(f,) for f in files])
    db.commit()
for f in files:
    print("=\t" + f)
"""

# Adds what only the goals run reads to the desktop stand-in's line.
UI_GOALS_STANDIN = UI_STANDIN.replace(
    '"rss_anon_kib": 30 * mib',
    '"longest_stall_ms": [400, 35, 45, 12][n],'
    ' "sort_transient_kib": [[0] * 5, [1024] * 5, [25 * 1024] + [0] * 4, [2048] * 5][n],'
    ' "rss_anon_kib": 30 * mib').replace(
    # every size has one-file trees of its own
    '"runs-%%d" %% rows', '"runs-%%d-%%s" %% (rows, sys.argv[1].replace("/", "_"))')

STRACE_SUMMARY = """\
% time     seconds  usecs/call     calls    errors syscall
------ ----------- ----------- --------- --------- ----------------
 78.02    0.120000           1    102110           newfstatat
 10.00    0.010000           2      8440        12 getdents64
  0.01    0.000010           5         2         1 access
------ ----------- ----------- --------- --------- ----------------
100.00    0.130010           1    110552        13 total
"""


class GoalFiguresTest(unittest.TestCase):
    def test_strace_summary_is_read_with_and_without_errors(self):
        import goals
        counts, total = goals.parse_strace_counts("ignored line\n" + STRACE_SUMMARY)
        self.assertEqual(counts, {"newfstatat": 102110, "getdents64": 8440, "access": 2})
        self.assertEqual(total, 110552)
        self.assertEqual(goals.parse_strace_counts("strace: no such file\n"), ({}, None))

    def test_syscall_floor_of_the_generated_trees(self):
        import goals
        for files, floor in ((100_000, 1.083), (1_000_000, 1.083)):
            folders = len(make_tree.plan_folders(files))
            self.assertAlmostEqual(goals.syscall_floor(files, folders), floor, places=3)
        self.assertEqual(goals.syscall_floor(0, 1), 5.0)  # one empty folder: stat, open, 2 reads, close

    def test_chain_growth_tells_linear_from_square(self):
        import goals
        depths = [1, 1000, 2000]
        for peaks, linear, growth in (
                ([4000, 6000, 8000], True, 1.0),           # 2 KiB per level throughout
                ([4000, 5000, 8000], False, 3.0),          # the square of the depth
                ([4000, 4100, 4400], True, 3.0),           # grows, but by less than 1 MiB
                ([4000, 4000, 4000], True, None)):         # nothing at all
            got = goals.chain_growth(depths, peaks)
            self.assertEqual(got["linear"], linear, peaks)
            if growth is None:
                self.assertIsNone(got["growth"])
            else:
                self.assertAlmostEqual(got["growth"], growth, delta=0.01)

    def test_goal_verdicts_only_at_their_size(self):
        import goals
        at_100k = goals.Goal(11, "x", "x", "< 40 at 100k", goals.below(40), at=100_000, spec="%.1f")
        anywhere = goals.Goal(11, "x", "x", "<= 1.05", goals.at_most(1.05), spec="%.2f")
        no_goal = goals.Goal(11, "x", "x", "", None)
        for goal, files, value, want in (
                (at_100k, 100_000, 39.9, ("39.9", "ok")),
                (at_100k, 100_000, 40.0, ("40.0", "MISSED")),
                (at_100k, 1_000_000, 80.0, ("80.0", "")),
                (anywhere, 5_000, 1.05, ("1.05", "ok")),
                (anywhere, 5_000, 1.06, ("1.06", "MISSED")),
                (anywhere, 5_000, None, ("-", "")),
                (no_goal, 5_000, 2.0, ("2.00", ""))):
            r = goals.SizeRun(files, 1)
            if value is not None:
                r.fig["x"] = value
            self.assertEqual(goals.cell(goal, r), want, (goal.goal, files, value))

    def test_file_system_of_the_longest_mount(self):
        import goals
        self.assertEqual(goals.fs_type("/proc/self"), "proc")
        self.assertEqual(goals.fs_type("/proc"), "proc")


class ChainTest(unittest.TestCase):
    def test_chain_deeper_than_a_path_can_name(self):
        import goals
        import run
        with tempfile.TemporaryDirectory(prefix="chain_test.") as tmp:
            base, target = goals.make_chain(tmp, 800)  # 4,800 bytes of path below base
            files = run.listing(base)
            self.assertEqual(sum(1 for line in files if b"\tf\t" in line), 800)
            self.assertEqual(sum(1 for line in files if line.endswith(b"\td")), 800)
            deepest = max(files, key=len).split(b"\t")[0]
            self.assertEqual(deepest.count(b"/"), 800)
            self.assertGreater(len(deepest), 4096)
            self.assertEqual(run.compare_trees(base, target), "")
            subprocess.run(["rm", "-rf", base, target], check=True)


class GoalsDriverTest(unittest.TestCase):
    """The whole goals run on tiny trees with stand-ins for both programs."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="bench_goals_test.")
        self.work = os.path.join(self.tmp.name, "work")
        self.cli = os.path.join(self.tmp.name, "cli.py")
        with open(self.cli, "w") as fh:
            fh.write(GOALS_CLI % {"standin": os.path.join(HERE, "standin_cli.sh")})
        self.ui = os.path.join(self.tmp.name, "ui_bench.py")
        with open(self.ui, "w") as fh:
            fh.write(UI_GOALS_STANDIN % {"broken": None, "work": self.work, "tmp": self.tmp.name})
        for path in (self.cli, self.ui):
            os.chmod(path, 0o755)
        self.fake_tmpfs = os.path.join(self.tmp.name, "tmpfs")
        os.makedirs(self.fake_tmpfs)

    def tearDown(self):
        self.tmp.cleanup()

    def run_goals(self, *extra, env=None):
        """goals.main in this process, the copy folder taken for a tmpfs; (status, stdout, json)."""
        import goals
        figures = os.path.join(self.tmp.name, "goals.json")
        saved_fs, saved_env = goals.fs_type, dict(os.environ)
        goals.fs_type = lambda path: "tmpfs" if path == self.fake_tmpfs else saved_fs(path)
        os.environ.update(env or {})
        out, err = io.StringIO(), io.StringIO()
        try:
            with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
                status = goals.main(["--workdir", self.work, "--tmpfs", self.fake_tmpfs,
                                     "--cli", self.cli, "--ui-bench", self.ui, "--chain", "20,40",
                                     "--chain-reps", "1", "--foreground-cleanup",
                                     "--json", figures] + list(extra))
        finally:
            goals.fs_type = saved_fs
            os.environ.clear()
            os.environ.update(saved_env)
        with open(figures, encoding="utf-8") as fh:
            return status, out.getvalue(), json.load(fh), err.getvalue()

    def test_every_goal_is_printed_beside_its_value(self):
        status, out, figs, err = self.run_goals("--files", "300,600", "--reps", "3,1")
        self.assertEqual(status, 0, out + err)
        for label in ("system calls per entry", "floor: a stat per entry", "CPU of list --hide-same",
                      "user time per entry", "peak MiB, orvel-cli list", "peak MiB, desktop program",
                      "peak memory desktop program / orvel-cli",
                      "(desktop - desktop with one row) / orvel-cli", "longest event-loop stall",
                      "header-click sort", "memory a sort takes", "sync into an empty folder",
                      "no-change sync --remember", "state on disk per remembered entry",
                      "peak MiB of the remembering sync", "deep chain", "KiB per level"):
            self.assertRegex(out, r"\n  1[12] +%s[^\n]* \d+\.?\d*" % re.escape(label))
        small, large = figs["sizes"]
        self.assertEqual((small["reps"], large["reps"]), (3, 1))
        self.assertNotIn("user_growth", small)
        self.assertIn("user_growth", large)
        # Stand-in rounds 1-3 print stalls 35, 45, 12 ms and sort peaks of 1, 25, 2 MiB (the
        # warm-up's 400 ms counts nowhere); the largest counts.
        self.assertEqual(small["stall_ms"], 45)
        self.assertEqual(small["sort_transient_mib"], 25)
        self.assertRegex(out, r"longest event-loop stall[^\n]*<= 50 +45 ok +35 ok")
        self.assertRegex(out, r"memory a sort takes[^\n]*<= 20 +25\.0 MISSED +1\.0 ok")
        # The stand-in's whole-run peak is 70 MiB, 35 MiB with one row.
        self.assertEqual((small["ui_peak_mib"], small["ui_resting_mib"]), (70, 35))
        self.assertAlmostEqual(small["ui_cli_over_rest"], 35 / small["cli_peak_mib"])
        self.assertAlmostEqual(small["ui_cli_ratio"], 70 / small["cli_peak_mib"])
        # One entry remembered per file; the figure is the state's size over them.
        self.assertEqual(small["state_entries"], 300)
        self.assertEqual(small["state_files"], ["sync-state.db"])
        self.assertAlmostEqual(small["state_bytes_per_entry"], small["state_bytes"] / 300)
        self.assertEqual(small["entries"], 2 * (300 + small["folders"]))
        self.assertGreater(small["syscalls"], 0)
        self.assertEqual([d for d in figs["chain"]["depths"]], [1, 20, 40])
        # Nothing is left but the note of the last removal; the copies' folder is empty.
        self.assertEqual(os.listdir(self.work), ["removed.stamp"])
        self.assertEqual(os.listdir(self.fake_tmpfs), [])

    def test_a_sync_that_changes_identical_trees_fails_the_run(self):
        status, out, figs, _ = self.run_goals("--files", "200", "--reps", "1",
                                              "--skip", "strace,ui,chain,sync",
                                              env={"STANDIN_SYNC_TOUCHES": "1"})
        self.assertEqual(status, 1)
        self.assertIn("after the no-change syncs the trees differ: 1 entries differ", out)

    def test_groups_left_out_and_no_tmpfs(self):
        import goals
        status, out, figs, _ = self.run_goals("--files", "200", "--reps", "1", "--skip",
                                              "strace,list,ui,remember,chain", "--tmpfs", self.tmp.name)
        self.assertEqual(status, 0, out)
        self.assertIn("is not a tmpfs (mount one", out)
        self.assertEqual(set(figs["sizes"][0]) & {g.key for g in goals.GOALS}, set())
        self.assertIsNone(figs["chain"])

    def test_an_older_desktop_bench_is_reported(self):
        with open(self.ui, "w") as fh:
            fh.write(UI_STANDIN % {"broken": None, "work": self.work, "tmp": self.tmp.name})
        status, out, _, _ = self.run_goals("--files", "200", "--reps", "1",
                                           "--skip", "strace,remember,sync,chain")
        self.assertEqual(status, 1)
        self.assertIn("orvel-ui-bench printed no longest_stall_ms, sort_transient_kib", out)


if __name__ == "__main__":
    unittest.main()
