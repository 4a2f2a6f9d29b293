#!/usr/bin/env python3
"""Runs every benchmark row against a Release build and prints one table.

Each row is the median of several runs. Wall time is taken on the steady clock
(time.monotonic_ns); CPU time and peak resident memory come from the kernel's
rusage of the measured process (os.wait4). A row that cannot be measured prints
"n/a" and counts as a failure: no figure is ever made up.

Usage: measure.py BUILD_DIR [--runs N] [--quick]
"""

import json
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time

BAUD = 921600
BITS_PER_BYTE = 10  # start, 8 data, stop
READ_ALL_FRAMES = 307  # requests of a read-all: fixed reads, 15 libraries, 256 stations


class Unmeasurable(Exception):
    """A row that could not be measured; its text says why."""


class Row:
    def __init__(self, name, unit, limit, higher_is_better=False):
        self.name, self.unit, self.limit = name, unit, limit
        self.higher_is_better = higher_is_better
        self.value = None
        self.note = ""

    def ratio(self):
        if self.value is None or self.limit is None:
            return None
        if self.higher_is_better:
            return self.limit / self.value if self.value > 0 else float("inf")
        return self.value / self.limit

    def verdict(self):
        r = self.ratio()
        if r is None:
            return "FAIL" if self.limit is not None else "info"
        return "PASS" if r <= 1.0 else "FAIL"


# --- processes ---------------------------------------------------------------------------------

class Simulator:
    """vq5100-sim on a fresh pseudo-terminal, optionally paced and logging its frames."""

    def __init__(self, build, pace=None, log=False):
        args = [os.path.join(build, "sim/vq5100-sim"), "--pty"]
        if pace:
            args += ["--pace", str(pace)]
        if log:
            args += ["--log"]
        self.log_file = tempfile.TemporaryFile(mode="w+") if log else None
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, text=True,
                                     stderr=self.log_file or subprocess.DEVNULL)
        self.path = self.proc.stdout.readline().strip()
        if not self.path.startswith("/dev/"):
            self.stop()
            raise Unmeasurable("vq5100-sim printed no pty path")

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def request_times(self):
        """The times (s) the simulator saw each request, from the frame log."""
        self.log_file.seek(0)
        return [float(line.split()[0]) for line in self.log_file if " <- " in line]

    def bytes_exchanged(self):
        """Bytes seen and bytes sent, counted from the frame log: (requests, answers)."""
        self.log_file.seek(0)
        totals = {"<-": 0, "->": 0}
        token = re.compile(r"\[(?:[A-Z]{2,3}|[0-9A-F]{2})\]")
        for line in self.log_file:
            match = re.match(r"\s*[0-9.]+ (<-|->) (.*)$", line.rstrip("\n"))
            if not match:
                continue
            text = match.group(2)
            raw = re.fullmatch(r"\((\d+) raw bytes\)", text)
            totals[match.group(1)] += int(raw.group(1)) if raw else len(token.sub("x", text))
        return totals["<-"], totals["->"]


def process_cpu_seconds(pid):
    """User and system time of a running process so far, from /proc (clock ticks)."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def run_measured(args, timeout, window=None):
    """Runs one process; returns (wall s, cpu s, peak resident MB, window share).

    The kernel's peak resident size of a process starts from that of the process it was forked
    from, so the program is started through bench_peak_rss, a small launcher, whose report is
    the program's own peak; not from here, where it would show this script's size. CPU time
    counts the launcher's waited-for child.

    `window` (from, to) in seconds after the start: the CPU share of that stretch alone, taken
    from /proc while the process runs; None when not asked or the process ended before it.
    With a window the program is started directly (its /proc is read) and has no peak."""
    launcher = os.path.join(os.path.dirname(os.path.dirname(args[0])), "bench/bench_peak_rss")
    peak_file = None
    if window is None:
        if not os.path.exists(launcher):
            raise Unmeasurable("bench_peak_rss not built")
        peak_file = tempfile.NamedTemporaryFile(mode="r", prefix="vq-peak-")
        args = [launcher, peak_file.name] + list(args)
    start = time.monotonic_ns()
    # Its own process group, so a run killed at the limit takes the launcher's child with it.
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            start_new_session=True)
    deadline = time.monotonic() + timeout
    marks = []
    while True:
        pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
        if pid:
            break
        if window and len(marks) < 2:
            elapsed = (time.monotonic_ns() - start) / 1e9
            if elapsed >= window[len(marks)]:
                marks.append((elapsed, process_cpu_seconds(proc.pid)))
        if time.monotonic() > deadline:
            os.killpg(proc.pid, signal.SIGKILL)
            os.wait4(proc.pid, 0)
            raise Unmeasurable(f"{os.path.basename(args[0])} {' '.join(args[-1:])}: no end "
                               f"within {timeout} s")
        time.sleep(0.002)
    wall = (time.monotonic_ns() - start) / 1e9
    proc.returncode = os.waitstatus_to_exitcode(status)
    err = proc.stderr.read().decode(errors="replace").strip()
    if proc.returncode != 0:
        raise Unmeasurable(f"exit {proc.returncode}: {err[:120]}")
    share = None
    if len(marks) == 2:
        share = (marks[1][1] - marks[0][1]) / (marks[1][0] - marks[0][0])
    peak_mb = None
    if peak_file is not None:
        with peak_file:
            peak_mb = int(peak_file.read().strip() or 0) / 1024.0
    return wall, usage.ru_utime + usage.ru_stime, peak_mb, share


def ctl_run(build, workdir, command, pace=None, log=False, timeout=120, window=None):
    """One vq5100ctl command against a fresh simulator: (wall, cpu, rss, share, bytes)."""
    sim = Simulator(build, pace=pace, log=log)
    try:
        ctl = [os.path.join(build, "cli/vq5100ctl"), "--port", sim.path, "--workdir", workdir,
               "--lang", "en"] + command
        wall, cpu, rss, share = run_measured(ctl, timeout, window)
    finally:
        sim.stop()
    return wall, cpu, rss, share, sim if log else None


# --- rows --------------------------------------------------------------------------------------

def measure_read_all(build, workdir, runs, rows):
    wall_row, turn_row, rss_row, cpu_row = rows
    walls, rsss, turns, cpus = [], [], [], []
    for _ in range(runs):
        wall, cpu, rss, _share, sim = ctl_run(build, workdir, ["read"], log=True)
        walls.append(wall)
        cpus.append(cpu)
        rsss.append(rss)
        # From one request to the next as the instrument sees them: the program's turnaround
        # (its receive, decoding and next send) plus the simulator's answer.
        times = sim.request_times()
        if len(times) >= READ_ALL_FRAMES:
            turns.append((times[-1] - times[0]) / (len(times) - 1))
    wall_row.value = statistics.median(walls) * 1e3
    rss_row.value = statistics.median(rsss)
    cpu_row.value = statistics.median(cpus) * 1e3
    if turns:
        turn_row.value = statistics.median(turns) * 1e6
    else:
        turn_row.note = "fewer requests in the frame log than a read-all sends"


def private_kb(pid):
    """The process's own written pages now (kB): Private_Dirty of /proc/PID/smaps_rollup (heap,
    stacks, the libraries' relocated data). Private_Clean is left out: those are library code
    pages no other process happens to map at the moment, shared as soon as a second program
    maps them and dropped by the kernel at will, so they are not what one more run costs."""
    with open(f"/proc/{pid}/smaps_rollup") as rollup:
        for line in rollup:
            if line.startswith("Private_Dirty:"):
                return int(line.split()[1])
    raise ValueError("no Private_Dirty line")


def measure_private(build, workdir, runs, row):
    """The most unshared memory a paced read-all's vq5100ctl held, sampled every millisecond:
    what one more instrument costs beyond the shared libraries every process maps."""
    peaks = []
    for _ in range(runs):
        sim = Simulator(build, pace=BAUD)
        try:
            ctl = [os.path.join(build, "cli/vq5100ctl"), "--port", sim.path, "--workdir",
                   workdir, "--lang", "en", "read"]
            proc = subprocess.Popen(ctl, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            peak, samples = 0, 0
            deadline = time.monotonic() + 120
            while proc.poll() is None and time.monotonic() < deadline:
                try:
                    peak = max(peak, private_kb(proc.pid))
                    samples += 1
                except (OSError, ValueError):
                    pass  # the process ended between the poll and the read
                time.sleep(0.001)
            if proc.poll() is None:
                proc.kill()
                proc.wait()
                raise Unmeasurable("vq5100ctl read: no end within 120 s")
            if proc.returncode != 0:
                raise Unmeasurable(f"exit {proc.returncode}: "
                                   f"{proc.stderr.read().decode(errors='replace')[:120]}")
        finally:
            sim.stop()
        if samples == 0:
            raise Unmeasurable("the read ended before its memory could be sampled")
        peaks.append(peak / 1024.0)
    row.value = statistics.median(peaks)
    row.note = "Private_Dirty, paced read-all"


def measure_paced(build, workdir, runs, row, command, answers_row=None):
    """Wall time of the whole command over the wire time of every byte it exchanged, both ways.

    The simulator paces both ways at the baud rate: it acts on a request only once its last
    byte would have crossed the line, and sends its answers no faster than the line carries
    them, so the ratio compares with a real line and cannot fall below 1. `answers_row` gets the
    wall time over the answers' wire time alone."""
    ratios, answer_ratios = [], []
    for _ in range(runs):
        wall, _cpu, _rss, _share, sim = ctl_run(build, workdir, command, pace=BAUD, log=True,
                                                timeout=300)
        requests, answers = sim.bytes_exchanged()
        if not answers:
            raise Unmeasurable("no answer bytes in the frame log")
        ratios.append(wall / ((requests + answers) * BITS_PER_BYTE / BAUD))
        answer_ratios.append(wall / (answers * BITS_PER_BYTE / BAUD))
    row.value = statistics.median(ratios)
    row.note = f"{requests + answers} bytes both ways, both paced"
    if answers_row is not None:
        answers_row.value = statistics.median(answer_ratios)
        answers_row.note = f"{answers} answer bytes"


def measure_csv_append(build, row_time, row_rss):
    """One settings CSV row appended to a 100 MB file, by a small program calling the append
    the programs use: the median time of an append and the growth of peak resident memory."""
    exe = os.path.join(build, "bench/bench_csv_append")
    if not os.path.exists(exe):
        raise Unmeasurable("bench_csv_append not built")
    with tempfile.TemporaryDirectory(prefix="vq-bench-csv-") as folder:
        out = subprocess.run([exe, folder, "100"], capture_output=True, text=True, timeout=300)
    if out.returncode != 0:
        raise Unmeasurable(f"exit {out.returncode}: {out.stderr.strip()[:120]}")
    figures = dict(item.split("=") for item in out.stdout.split())
    row_time.value = float(figures["append_ms"])
    row_time.note = f"{figures['file_mb']} MB file, median of 9 appends"
    row_rss.value = float(figures["rss_growth_mb"])
    row_rss.note = f"peak RSS after the appends minus before; whole process {figures['peak_rss_mb']} MB"


def measure_records(build, rows):
    """The instrument records with 100 000 events for 2 000 instruments in a SQLite store: the
    fleet list, the due list, one instrument's timeline, one read-all's record, the file size."""
    fleet_row, due_row, timeline_row, record_row, size_row = rows
    exe = os.path.join(build, "bench/bench_records")
    if not os.path.exists(exe):
        raise Unmeasurable("bench_records not built")
    with tempfile.TemporaryDirectory(prefix="vq-bench-records-") as folder:
        out = subprocess.run([exe, folder, "100000", "2000"], capture_output=True, text=True,
                             timeout=1800)
    if out.returncode != 0:
        raise Unmeasurable(f"exit {out.returncode}: {out.stderr.strip()[:120]}")
    figures = dict(item.split("=") for item in out.stdout.split())
    fleet_row.value = float(figures["fleet_ms"])
    fleet_row.note = (f"{figures['instruments']} instruments, {figures['events']} events; "
                      f"CPU {figures['fleet_cpu_ms']} ms")
    due_row.value = float(figures["due_ms"])
    due_row.note = f"{figures['due_count']} due; CPU {figures['due_cpu_ms']} ms"
    timeline_row.value = float(figures["timeline_ms"])
    timeline_row.note = (f"{figures['timeline_events']} events, median of 51 instruments; "
                         f"CPU {figures['timeline_cpu_ms']} ms")
    record_row.value = float(figures["record_ms"])
    record_row.note = (f"event built from the model and committed, median of 21; "
                       f"CPU {figures['record_cpu_ms']} ms")
    size_row.value = float(figures["db_mb"])


def measure_records_scale(build, rows):
    """The records commands at fleet scale: a SQLite store of 1 000 000 events for 20 000
    instruments, one of them with 10 000 events, built once by the program's own store code; the
    work of `records list`, `records due` and `records show` of that instrument from opening the
    store read-only (with its opening check) on, median of 9 each."""
    list_row, due_row, show_row, shown_row, stall_row = rows
    exe = os.path.join(build, "bench/bench_records")
    if not os.path.exists(exe):
        raise Unmeasurable("bench_records not built")
    window = os.path.join(build, "bench/bench_records_window")
    with tempfile.TemporaryDirectory(prefix="vq-bench-records-scale-") as folder:
        out = subprocess.run([exe, folder, "990000", "20000", "10000"], capture_output=True,
                             text=True, timeout=7200)
        if out.returncode == 0 and os.path.exists(window):
            # The Records window on the same store: the click on the instrument of 10 000
            # events until its first rows and chart are drawn, and the longest event-loop stall.
            shown = subprocess.run([window, os.path.join(folder, "VQ5100Records.sqlite"),
                                    "VQ-HEAVY"], capture_output=True, text=True, timeout=600,
                                   env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        else:
            shown = None
    if out.returncode != 0:
        raise Unmeasurable(f"exit {out.returncode}: {out.stderr.strip()[:120]}")
    if shown is not None and shown.returncode == 0:
        seen = dict(item.split("=") for item in shown.stdout.split())
        shown_row.value = float(seen["shown_ms"])
        shown_row.note = (f"CPU {seen['shown_cpu_ms']} ms; {seen['rows']} rows, all in after "
                          f"{seen['filled_ms']} ms, CPU {seen['cpu_ms']} ms; median of "
                          f"{seen['runs']}")
        stall_row.value = float(seen["stall_ms"])
        stall_row.note = "longest gap of a 2 ms timer, less 2 ms, worst of the runs"
    else:
        why = "bench_records_window not built" if shown is None else \
            f"exit {shown.returncode}: {shown.stderr.strip()[:120]}"
        shown_row.note = stall_row.note = why
    figures = dict(item.split("=") for item in out.stdout.split())
    list_row.value = float(figures["list_ms"])
    list_row.note = (f"{figures['instruments']} instruments, {figures['events']} events, "
                     f"{figures['db_mb']} MB (built in {figures['build_s']} s); "
                     f"CPU {figures['list_cpu_ms']} ms")
    due_row.value = float(figures["due_ms"])
    due_row.note = f"{figures['due_count']} due; CPU {figures['due_cpu_ms']} ms"
    show_row.value = float(figures["show_ms"])
    show_row.note = f"{figures['show_events']} events; CPU {figures['show_cpu_ms']} ms"


def window_read(build, device, workdir):
    """bench_setup_window's arguments and environment: the window offscreen, a read of every
    setting from `device`."""
    exe = os.path.join(build, "bench/bench_setup_window")
    if not os.path.exists(exe):
        raise Unmeasurable("bench_setup_window not built (the windows are not in this build)")
    return [exe, device, workdir], dict(os.environ, QT_QPA_PLATFORM="offscreen")


def measure_many(build, root, runs, row, count=16, window=False):
    """`count` paced read-alls at once, each against its own simulator on its own pty: when the
    last ends, over the wall time of one paced read-all alone. With `window`, the first of them
    is the setup window's (offscreen), and the time alone is the longer of its and one
    vq5100ctl's. Any run that fails fails the row."""
    ctl = os.path.join(build, "cli/vq5100ctl")
    alone, together, cpu = [], [], []
    for _ in range(runs):
        with tempfile.TemporaryDirectory(prefix="vq-bench-many-", dir=root) as top:
            one = ctl_run(build, top, ["read"], pace=BAUD, timeout=300)[0]
            if window:
                sim = Simulator(build, pace=BAUD)
                try:
                    args, env = window_read(build, sim.path, top)
                    begun = time.monotonic()
                    out = subprocess.run(args, capture_output=True, text=True, timeout=300,
                                         cwd=top, env=env)
                    one = max(one, time.monotonic() - begun)
                finally:
                    sim.stop()
                if out.returncode != 0:
                    raise Unmeasurable(f"window alone: exit {out.returncode}")
            alone.append(one)
            sims = []
            before = os.times()
            try:
                for _ in range(count):
                    sims.append(Simulator(build, pace=BAUD))
                procs = []
                start = time.monotonic()
                for i, sim in enumerate(sims):
                    workdir = os.path.join(top, str(i))
                    os.mkdir(workdir)
                    args = [ctl, "--port", sim.path, "--workdir", workdir, "--lang", "en", "read"]
                    env = None
                    if window and i == 0:
                        args, env = window_read(build, sim.path, workdir)
                    procs.append(subprocess.Popen(args, stdout=subprocess.DEVNULL,
                                                  stderr=subprocess.PIPE, cwd=workdir, env=env))
                failed = []
                for proc in procs:
                    try:
                        proc.wait(timeout=max(1.0, start + 300 - time.monotonic()))
                    except subprocess.TimeoutExpired:
                        proc.kill()
                        proc.wait()
                    if proc.returncode != 0:
                        failed.append(f"exit {proc.returncode}: "
                                      f"{proc.stderr.read().decode(errors='replace')[:80]}")
                together.append(time.monotonic() - start)
            finally:
                for sim in sims:
                    sim.stop()
            # Every program of the batch (the tools and their simulators) has been waited for.
            after = os.times()
            cpu.append(after.children_user + after.children_system
                       - before.children_user - before.children_system)
            if failed:
                raise Unmeasurable(f"{len(failed)} of {count} runs failed; {failed[0]}")
    row.value = statistics.median(together) / statistics.median(alone)
    # The best this machine could do if nothing but CPU counted: every process's CPU time spread
    # over every core, against one run alone. A ratio near it is the machine, not the program.
    floor = statistics.median(cpu) / os.cpu_count() / statistics.median(alone)
    row.note = (f"last of {count} at {statistics.median(together) * 1e3:.0f} ms, "
                f"one alone {statistics.median(alone) * 1e3:.0f} ms; CPU floor {max(1.0, floor):.2f} "
                f"on {os.cpu_count()} cores")


def measure_waiting(build, workdir, runs, row, command, timeout, idle_row=None, window=None,
                    wait=0.0):
    """CPU over wall of the whole command; with idle_row, also the share inside `window`,
    which must lie in the command's closing wait of `wait` seconds."""
    ratios, shares = [], []
    for _ in range(runs):
        wall, cpu, _rss, share, _ = ctl_run(build, workdir, command, timeout=timeout,
                                            window=window)
        ratios.append(cpu / wall)
        row.note = f"wall {wall:.1f} s"
        # The stretch counts only when it lay inside the wait: the wait is the last `wait`
        # seconds of the run (give or take the port's closing), so it began at wall - wait.
        if share is not None and wall - wait <= window[0]:
            shares.append(share)
    row.value = statistics.median(ratios)
    if idle_row is not None:
        if not shares:
            idle_row.note = "the wait never covered the measured stretch"
        else:
            idle_row.value = statistics.median(shares)
            idle_row.note = f"{window[0]}-{window[1]} s after start"


def measure_benchmarks(build, runs, decoder_row, link_row):
    exe = os.path.join(build, "bench/vq5100-bench")
    if not os.path.exists(exe):
        raise Unmeasurable("vq5100-bench not built")
    out = subprocess.run([exe, "--benchmark_format=json", f"--benchmark_repetitions={runs}",
                          "--benchmark_report_aggregates_only=true"],
                         capture_output=True, text=True, timeout=300)
    if out.returncode != 0:
        raise Unmeasurable(out.stderr.strip()[:120])
    report = json.loads(out.stdout)
    for bench in report["benchmarks"]:
        if bench.get("error_occurred"):
            raise Unmeasurable(bench.get("error_message", "benchmark error"))
        if bench.get("aggregate_name") != "median":
            continue
        if bench["run_name"] == "BM_DecodeReplyMix":
            decoder_row.value = bench["items_per_second"]
            decoder_row.note = f"{int(bench.get('frames', 0))} frames a pass"
        elif bench["run_name"] == "BM_LinkReceiveReply":
            link_row.value = 1e6 / bench["items_per_second"]
            link_row.note = f"{int(bench.get('reply_bytes', 0))}-byte reply, with its request"
    for row in (decoder_row, link_row):
        if row.value is None:
            row.note = "no median in the benchmark report"


def measure_setup_window(build, runs, start_row, rss_row):
    exe = os.path.join(build, "bench/bench_setup_window")
    if not os.path.exists(exe):
        raise Unmeasurable("bench_setup_window not built (the windows are not in this build)")
    starts, rsss = [], []
    for _ in range(runs):
        sim = Simulator(build)
        try:
            with tempfile.TemporaryDirectory(prefix="vq-bench-ui-") as workdir:
                out = subprocess.run([exe, sim.path, workdir], capture_output=True, text=True,
                                     timeout=120, cwd=workdir,
                                     env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        finally:
            sim.stop()
        if out.returncode != 0:
            raise Unmeasurable(f"exit {out.returncode}: {out.stderr.strip()[:120]}")
        figures = dict(item.split("=") for item in out.stdout.split())
        starts.append(float(figures["start_ms"]))
        rsss.append(float(figures["peak_rss_mb"]))
    start_row.value = statistics.median(starts)
    rss_row.value = statistics.median(rsss)


# --- table -------------------------------------------------------------------------------------

def fmt(value):
    if value is None:
        return "n/a"
    if abs(value) >= 1000:
        return f"{value:,.0f}"
    if abs(value) >= 10:
        return f"{value:.1f}"
    return f"{value:.3f}"


def main():
    build = os.path.abspath(sys.argv[1])
    runs = 5
    if "--runs" in sys.argv:
        runs = int(sys.argv[sys.argv.index("--runs") + 1])
    slow_runs = 1 if "--quick" in sys.argv else 3

    # The wire limit: the shortest reply (15 bytes) arriving back to back.
    wire_frames_per_s = BAUD / BITS_PER_BYTE / 15

    read_wall = Row("read-all unpaced: wall", "ms", 150.0)
    # The 150 ms of a read-all spread over its frames.
    read_turn = Row("read-all unpaced: turnaround a frame", "us", 200.0)
    # Mostly the shared libraries (Qt, ICU, SQLite) every process maps; the private row below
    # is what the program itself holds.
    read_rss = Row("vq5100ctl read: peak RSS", "MB", 20.0)
    read_private = Row("vq5100ctl read: private memory at peak", "MB", 6.0)
    # No limit: what the program itself spends, to tell its cost from the machine's load.
    read_cpu = Row("read-all unpaced: CPU (info)", "ms", None)
    # A guard, not a goal: 307 strict request/answer turns and the process start put this
    # machine's floor near 1.26.
    paced_read = Row("read-all paced 921600: wall/wire", "x", 1.45)
    # No limit: the share the program's turnaround takes, seen against the paced bytes alone.
    paced_answers = Row("read-all paced: wall/answer wire (info)", "x", None)
    paced_dump = Row("flash dump paced 921600: wall/wire", "x", 1.10)
    # Figures without a limit: separate processes at once are CPU-bound on a small machine (the
    # note gives the CPU floor); one process serving many instruments is what a bench needs.
    many_reads = Row("16 read-alls at once paced: last/alone", "x", None)
    many_window = Row("window + 15 read-alls at once: last/alone", "x", None)
    csv_time = Row("settings CSV 100 MB: append a row", "ms", 10.0)
    csv_rss = Row("settings CSV 100 MB: append memory", "MB", 10.0)
    wait_readings = Row("readings 10 s: CPU/wall", "x", 0.02)
    wait_power = Row("power-off wait: CPU/wall", "x", 0.02)
    decoder = Row("DecodeReply reply mix", "frames/s", wire_frames_per_s, higher_is_better=True)
    link_rx = Row("link receive path, virtual host", "us", 5.0)
    idle_wait = Row("Qt host idle wait (power-off): CPU/wall", "x", 0.01)
    ui_start = Row("setup: password to main window ready", "ms", 400.0)
    ui_rss = Row("setup: peak RSS after read-all", "MB", 40.0)
    records_fleet = Row("records 100k events: fleet list", "ms", 50.0)
    records_due = Row("records 100k events: due list", "ms", 50.0)
    records_timeline = Row("records 100k events: one timeline", "ms", 20.0)
    records_read = Row("records: a read-all's record", "ms", 5.0)
    records_size = Row("records 100k events: database file", "MB", 200.0)
    records_rows = (records_fleet, records_due, records_timeline, records_read, records_size)
    scale_list = Row("records 1M events: records list", "ms", 100.0)
    scale_due = Row("records 1M events: records due", "ms", 50.0)
    scale_show = Row("records 1M events: show 10k events", "ms", 50.0)
    scale_shown = Row("records 1M events: window click to shown", "ms", 200.0)
    scale_stall = Row("records 1M events: window longest stall", "ms", 100.0)
    scale_rows = (scale_list, scale_due, scale_show, scale_shown, scale_stall)

    table = [read_wall, read_turn, read_cpu, read_rss, read_private, paced_read, paced_answers, paced_dump,
             many_reads, many_window, csv_time, csv_rss, wait_readings, wait_power, idle_wait, decoder, link_rx, ui_start, ui_rss,
             *records_rows, *scale_rows]
    with tempfile.TemporaryDirectory(prefix="vq-bench-") as workdir:
        steps = [
            ((read_wall, read_turn, read_rss, read_cpu),
             lambda: measure_read_all(build, workdir, runs,
                                      (read_wall, read_turn, read_rss, read_cpu))),
            ((read_private,), lambda: measure_private(build, workdir, runs, read_private)),
            ((paced_read, paced_answers),
             lambda: measure_paced(build, workdir, runs, paced_read, ["read"],
                                   answers_row=paced_answers)),
            ((paced_dump,), lambda: measure_paced(build, workdir, slow_runs, paced_dump,
                                                  ["dump-flash", os.path.join(workdir, "f.dat")])),
            ((many_reads,), lambda: measure_many(build, workdir, slow_runs, many_reads)),
            ((many_window,), lambda: measure_many(build, workdir, slow_runs, many_window,
                                                  window=True)),
            ((csv_time, csv_rss), lambda: measure_csv_append(build, csv_time, csv_rss)),
            ((wait_readings,), lambda: measure_waiting(build, workdir, slow_runs, wait_readings,
                                                       ["readings", "--count", "11"], 60)),
            # The five-second wait after the acknowledgement: 1.5 to 4.5 s after the start,
            # kept only for a run that reached the wait within 1.5 s.
            ((wait_power, idle_wait),
             lambda: measure_waiting(build, workdir, slow_runs, wait_power, ["power-off"], 60,
                                     idle_row=idle_wait, window=(1.5, 4.5), wait=5.0)),
            ((decoder, link_rx), lambda: measure_benchmarks(build, runs, decoder, link_rx)),
            ((ui_start, ui_rss), lambda: measure_setup_window(build, runs, ui_start, ui_rss)),
            (records_rows, lambda: measure_records(build, records_rows)),
            (scale_rows, lambda: measure_records_scale(build, scale_rows)),
        ]
        for affected, step in steps:
            try:
                step()
            except (Unmeasurable, OSError, subprocess.SubprocessError) as why:
                for row in affected:
                    row.value, row.note = None, str(why)
            print(".", end="", file=sys.stderr, flush=True)
        print(file=sys.stderr)

    header = f"{'figure':40} {'measured':>12} {'limit':>12} {'unit':9} {'ratio':>6}  result"
    print(header)
    print("-" * len(header))
    failed = False
    for row in table:
        ratio = row.ratio()
        verdict = row.verdict()
        failed |= verdict == "FAIL"
        limit = "-" if row.limit is None else ("≥ " if row.higher_is_better else "≤ ") + fmt(row.limit)
        print(f"{row.name:40} {fmt(row.value):>12} {limit:>12} {row.unit:9} "
              f"{'n/a' if ratio is None else f'{ratio:.2f}':>6}  {verdict}"
              + (f"  ({row.note})" if row.note else ""))
    print(f"median of {runs} runs ({slow_runs} for the flash dump, the 16 at once and the waiting "
          "rows)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
