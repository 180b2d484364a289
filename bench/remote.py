#!/usr/bin/env python3
"""The remote mode of the benchmark: a local sshd on 127.0.0.1 behind a proxy
that delays each direction by half a round trip, and the references a remote
Orvel is measured against: rsync over that ssh (dry run and a sync of 1 %
changes) and, over an sshfs mount through the same proxy, orvel-cli list
against find and a 16-thread parallel walk of the mount. The sync is timed both
ways: to a remote target, and from a remote base to a local target.

Started through bench/remote.sh; see bench/README.md ("Remote mode").
Standard library only, besides OpenSSH (client and server), rsync and sshfs.
"""

import argparse
import asyncio
import concurrent.futures
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import run  # noqa: E402  (the timing and tree helpers of the local benchmark)


def log(msg):
    print(msg, file=sys.stderr, flush=True)


# --- the round-trip delay proxy ------------------------------------------------------

class DelayProxy:
    """A TCP forwarder on 127.0.0.1 that hands every chunk on rtt/2 seconds
    after it arrived, in each direction, without limiting the throughput: a
    connection over it has the round trip of a network, not its bandwidth."""

    def __init__(self, target_port, rtt_ms):
        self.target_port = target_port
        self.delay = rtt_ms / 2000.0
        self.loop = asyncio.new_event_loop()
        self.port = None
        ready = threading.Event()
        self.thread = threading.Thread(target=self._run, args=(ready,), daemon=True)
        self.thread.start()
        ready.wait(10)

    def _run(self, ready):
        asyncio.set_event_loop(self.loop)

        async def start():
            server = await asyncio.start_server(self._client, "127.0.0.1", 0)
            self.port = server.sockets[0].getsockname()[1]
            ready.set()
            return server

        self.server = self.loop.run_until_complete(start())
        self.loop.run_forever()

    async def _pipe(self, reader, writer):
        queue = asyncio.Queue()

        async def deliver():
            while True:
                due, data = await queue.get()
                if data is None:
                    break
                wait = due - self.loop.time()
                if wait > 0:
                    await asyncio.sleep(wait)
                writer.write(data)
                await writer.drain()
            writer.close()

        sender = asyncio.ensure_future(deliver())
        try:
            while True:
                data = await reader.read(256 * 1024)
                if not data:
                    break
                queue.put_nowait((self.loop.time() + self.delay, data))
        except (ConnectionError, OSError):
            pass
        queue.put_nowait((0, None))
        try:
            await sender
        except (ConnectionError, OSError):
            pass

    async def _client(self, reader, writer):
        try:
            up_reader, up_writer = await asyncio.open_connection("127.0.0.1", self.target_port)
        except OSError:
            writer.close()
            return
        try:
            await asyncio.gather(self._pipe(reader, up_writer), self._pipe(up_reader, writer))
        except asyncio.CancelledError:
            pass  # the proxy is closing

    def close(self):
        async def shutdown():
            self.server.close()
            tasks = [t for t in asyncio.all_tasks() if t is not asyncio.current_task()]
            for t in tasks:
                t.cancel()
            await asyncio.gather(*tasks, return_exceptions=True)

        asyncio.run_coroutine_threadsafe(shutdown(), self.loop).result(10)
        self.loop.call_soon_threadsafe(self.loop.stop)
        self.thread.join(5)


# --- the sshd of the run -------------------------------------------------------------

class Sshd:
    """sshd -D on a free port of 127.0.0.1 with keys and a configuration of its own."""

    def __init__(self, folder):
        self.folder = folder
        os.makedirs("/run/sshd", exist_ok=True)
        os.makedirs(folder, exist_ok=True)
        for key in ("host_key", "user_key"):
            path = os.path.join(folder, key)
            if not os.path.exists(path):
                subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", path], check=True)
        shutil.copy(os.path.join(folder, "user_key.pub"), os.path.join(folder, "authorized_keys"))
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        config = os.path.join(folder, "sshd_config")
        with open(config, "w") as fh:
            fh.write("Port %d\nListenAddress 127.0.0.1\nHostKey %s\nAuthorizedKeysFile %s\n"
                     "PasswordAuthentication no\nKbdInteractiveAuthentication no\nUsePAM no\n"
                     "StrictModes no\nPermitRootLogin prohibit-password\nPidFile none\nLogLevel ERROR\n"
                     "MaxStartups 100\nSubsystem sftp internal-sftp\n"
                     % (self.port, os.path.join(folder, "host_key"), os.path.join(folder, "authorized_keys")))
        self.proc = subprocess.Popen(["/usr/sbin/sshd", "-D", "-e", "-f", config], stdin=subprocess.DEVNULL,
                                     stderr=open(os.path.join(folder, "sshd.log"), "w"))
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", self.port), 0.2).close()
                return
            except OSError:
                time.sleep(0.05)
        raise RuntimeError("sshd did not start: " + run.tail(os.path.join(folder, "sshd.log")))

    def ssh_command(self, port):
        """The ssh words that reach this sshd through `port` (the proxy's)."""
        return ["ssh", "-F", "/dev/null", "-o", "StrictHostKeyChecking=no", "-o", "UserKnownHostsFile=/dev/null",
                "-o", "LogLevel=ERROR", "-o", "BatchMode=yes", "-o", "IdentitiesOnly=yes",
                "-i", os.path.join(self.folder, "user_key"), "-p", str(port)]

    def close(self):
        self.proc.terminate()
        self.proc.wait(10)


# --- what is timed -------------------------------------------------------------------

def parallel_walk(root, threads=16):
    """Every entry below root looked up, folders listed by a pool of threads:
    the floor of a scan with concurrent look-ups on a network mount."""
    count = 0
    lock = threading.Lock()

    def one(folder):
        nonlocal count
        subfolders = []
        with os.scandir(folder) as it:
            for e in it:
                e.stat(follow_symlinks=False)
                if e.is_dir(follow_symlinks=False):
                    subfolders.append(e.path)
        with lock:
            count += 1
        return subfolders

    with concurrent.futures.ThreadPoolExecutor(threads) as pool:
        pending = {pool.submit(one, root)}
        while pending:
            done, pending = concurrent.futures.wait(pending, return_when=concurrent.futures.FIRST_COMPLETED)
            for f in done:
                pending.update(pool.submit(one, p) for p in f.result())
    return count


def timed(argv, reps, before=None, check=True):
    """Median, min and max wall time of reps runs (after one untimed warm-up)."""
    walls = []
    for i in range(reps + 1):
        if before:
            before()
        status, wall, _, _ = run.run_timed(argv)
        if check and status != 0:
            raise RuntimeError("%s failed with status %d" % (" ".join(argv[:3]), status))
        if i > 0:
            walls.append(wall)
    return statistics.median(walls), min(walls), max(walls)


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--files", type=int, default=10000)
    p.add_argument("--reps", type=int, default=5)
    p.add_argument("--rtts", default="0,1,10", help="round trips in ms")
    p.add_argument("--sync-rtt", type=float, default=10)
    p.add_argument("--workdir", default="/tmp/orvel-bench-remote")
    p.add_argument("--cli", default=os.environ.get("ORVEL_CLI") or run.DEFAULT_CLI)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--skip", default="", help="comma-separated: list,sync,sshfs")
    p.add_argument("--skip-sshfs", default="", help="comma-separated parts of the sshfs rows to leave out: reads (list, find, walk), sync")
    a = p.parse_args(argv)
    skip = set(filter(None, a.skip.split(",")))
    a.skip_sshfs = set(filter(None, a.skip_sshfs.split(",")))
    rtts = [float(x) for x in a.rtts.split(",")]
    workdir = os.path.abspath(a.workdir)
    os.makedirs(workdir, exist_ok=True)
    tree_dir = os.path.join(workdir, "tree-%d" % a.files)
    tree_args = argparse.Namespace(files=a.files, seed=a.seed, variant="changed", size=100)
    run.ensure_trees(tree_args, tree_dir)
    base, target = os.path.join(tree_dir, "base"), os.path.join(tree_dir, "target")
    sshd = Sshd(os.path.join(workdir, "ssh"))
    rows = []
    try:
        for rtt in rtts:
            proxy = DelayProxy(sshd.port, rtt)
            ssh = " ".join(sshd.ssh_command(proxy.port))
            try:
                if "list" not in skip:
                    t = timed(["rsync", "-a", "-n", "--delete", "-e", ssh, base + "/",
                               "127.0.0.1:" + target + "/"], a.reps)
                    rows.append(("rsync -a -n --delete over ssh", rtt, t))
                    # Status 0: the pair differs, which list creation does not count as a failure.
                    t = timed([a.cli, "list", base, "127.0.0.1:" + target, "--hide-same", "--ssh-command", ssh,
                               "--remote-program", a.cli], a.reps)
                    rows.append(("orvel-cli list base host:target --hide-same", rtt, t))
                if "sync" not in skip and rtt == a.sync_rtt:
                    scratch = os.path.join(workdir, "sync-target")

                    def fresh():
                        subprocess.run(["rm", "-rf", scratch], check=True)
                        subprocess.run(["cp", "-a", target, scratch], check=True)

                    t = timed(["rsync", "-a", "--delete", "-e", ssh, base + "/", "127.0.0.1:" + scratch + "/"],
                              a.reps, before=fresh)
                    problem = run.compare_trees(base, scratch)
                    if problem:
                        raise RuntimeError("rsync's copy differs: " + problem)
                    rows.append(("rsync -a --delete over ssh (1 % changed)", rtt, t))
                    t = timed([a.cli, "sync", "--complete", base, "127.0.0.1:" + scratch, "--ssh-command", ssh,
                               "--remote-program", a.cli], a.reps, before=fresh)
                    problem = run.compare_trees(base, scratch)
                    if problem:
                        raise RuntimeError("orvel-cli's copy differs: " + problem)
                    rows.append(("orvel-cli sync --complete base host:target", rtt, t))
                    # The other way: the changed files come from the far side.
                    t = timed(["rsync", "-a", "--delete", "-e", ssh, "127.0.0.1:" + base + "/", scratch + "/"],
                              a.reps, before=fresh)
                    problem = run.compare_trees(base, scratch)
                    if problem:
                        raise RuntimeError("rsync's copy differs: " + problem)
                    rows.append(("rsync -a --delete host:base/ target/ (1 % changed)", rtt, t))
                    t = timed([a.cli, "sync", "--complete", "127.0.0.1:" + base, scratch, "--ssh-command", ssh,
                               "--remote-program", a.cli], a.reps, before=fresh)
                    problem = run.compare_trees(base, scratch)
                    if problem:
                        raise RuntimeError("orvel-cli's copy differs: " + problem)
                    rows.append(("orvel-cli sync --complete host:base target", rtt, t))
                if "sshfs" not in skip and shutil.which("sshfs"):
                    rows.extend(sshfs_rows(a, sshd, proxy, base, target, rtt, workdir))
            finally:
                proxy.close()
    finally:
        sshd.close()
    print("files per tree: %d, rounds: %d, load average: %s" % (a.files, a.reps, os.getloadavg()))
    print("%-48s %7s %9s %9s %9s" % ("command", "rtt ms", "median s", "min s", "max s"))
    for name, rtt, (med, lo, hi) in rows:
        print("%-48s %7g %9.3f %9.3f %9.3f" % (name, rtt, med, lo, hi))
    return 0


def sshfs_rows(a, sshd, proxy, base, target, rtt, workdir):
    """orvel-cli list, find and a 16-thread walk over an sshfs mount of the
    target, each on a fresh mount (nothing cached from the round before)."""
    mnt = os.path.join(workdir, "mnt")
    os.makedirs(mnt, exist_ok=True)
    ssh = sshd.ssh_command(proxy.port)
    options = ",".join(["ssh_command=" + " ".join(ssh[:-2]), "port=%d" % proxy.port, "reconnect"])

    def mount():
        subprocess.run(["fusermount3", "-u", "-q", mnt], stderr=subprocess.DEVNULL)
        subprocess.run(["sshfs", "-o", options, "127.0.0.1:" + target, mnt], check=True)

    rows = []
    try:
        reads = [] if "reads" in a.skip_sshfs else [None]
        for name, argv in [] if not reads else (("orvel-cli list base sshfs-target --hide-same", [a.cli, "list", base, mnt, "--hide-same"]),
                           ("find sshfs-target (every mtime)", ["find", mnt, "-printf", "%T@\n"])):
            # list exits 0 here: the pair differs but nothing failed.
            rows.append((name, rtt, timed(argv, a.reps, before=mount, check=False)))
        walls = []
        for i in range(a.reps + 1 if reads else 0):
            mount()
            t0 = time.perf_counter()
            parallel_walk(mnt)
            if i > 0:
                walls.append(time.perf_counter() - t0)
        if walls:
            rows.append(("16-thread walk of sshfs-target", rtt, (statistics.median(walls), min(walls), max(walls))))
        if "sync" not in a.skip_sshfs and rtt == a.sync_rtt:
            rows.extend(sshfs_sync_rows(a, base, target, rtt, workdir, mnt, options))
    finally:
        subprocess.run(["fusermount3", "-u", "-q", mnt], stderr=subprocess.DEVNULL)
    return rows


def whole_second_difference(src, dst):
    """Empty string when dst holds src's names, sizes, modes and mtimes, the
    mtimes in whole seconds (SFTP version 3 carries no fraction)."""
    def cut(root):
        out = set()
        for line in run.listing(root):
            fields = line.split(b"\t")
            if len(fields) == 5:
                fields[4] = fields[4].split(b".")[0]
            out.add(b"\t".join(fields))
        return out
    a, b = cut(src), cut(dst)
    if a == b:
        return ""
    return "%d entries differ or missing, %d unexpected; e.g. %r" % (len(a - b), len(b - a), sorted(a ^ b)[:2])


def sshfs_sync_rows(a, base, target, rtt, workdir, mnt, options):
    """orvel-cli sync and rsync -a --delete from base into an sshfs mount of a
    fresh copy of the target (1 % changed), each on a fresh mount."""
    scratch = os.path.join(workdir, "sshfs-sync-target")

    def fresh():
        subprocess.run(["fusermount3", "-u", "-q", mnt], stderr=subprocess.DEVNULL)
        subprocess.run(["rm", "-rf", scratch], check=True)
        subprocess.run(["cp", "-a", target, scratch], check=True)
        subprocess.run(["sshfs", "-o", options, "127.0.0.1:" + scratch, mnt], check=True)

    rows = []
    for name, argv in (("rsync -a --delete base/ sshfs-target/", ["rsync", "-a", "--delete", base + "/", mnt + "/"]),
                       ("orvel-cli sync --complete base sshfs-target", [a.cli, "sync", "--complete", base, mnt])):
        t = timed(argv, a.reps, before=fresh)
        subprocess.run(["fusermount3", "-u", "-q", mnt], stderr=subprocess.DEVNULL)
        problem = whole_second_difference(base, scratch)
        if problem:
            raise RuntimeError("%s: the copy differs: %s" % (name, problem))
        rows.append((name + " (1 % changed)", rtt, t))
    return rows


if __name__ == "__main__":
    sys.exit(main())
