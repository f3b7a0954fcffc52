"""The Linux side of scripts/bench.

bench_driver.exe (a Windows program) does the clicking and the Windows-side timing; this script
starts the programs, samples their CPU time and memory from /proc around the driver's steps, runs
parecord beside each take, and turns the runs into docs/benchmarks.md and docs/benchmarks.png.

CPU time and memory are read from Linux, not asked of Windows: under Wine 8 GetProcessTimes of
another process reports a small fraction of the time it really used (measured: 10 ms for a child
that spun 1.5 s), and the Wine server, which does part of every program's work, is a Linux
process of its own.
"""

import argparse
import json
import os
import platform
import signal
import statistics
import subprocess
import sys
import threading
import time
import wave

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
STARTS_PER_RUN = 3
BEGIN_MARK = "<!-- figures:begin (written by scripts/bench) -->"
END_MARK = "<!-- figures:end -->"
# A run of takes alone writes its rows here, below the whole table, and leaves that table as it is.
TAKES_BEGIN_MARK = "<!-- takes:begin (written by scripts/bench --takes-only) -->"
TAKES_END_MARK = "<!-- takes:end -->"


def env_number(name, default, kind=int):
    value = os.environ.get(name)
    return kind(value) if value else default


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def cpu_seconds(pid):
    """User plus system time of a process (all its threads) so far."""
    with open(f"/proc/{pid}/stat") as stat:
        # The command name may hold blanks; the fields after it are fixed.
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def main_thread_cpu_seconds(pid):
    """The program's own thread, which runs its window and our code; the others are Wine's."""
    with open(f"/proc/{pid}/task/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def thread_cpu_seconds(pid):
    """CPU time of each thread of the process, by thread id, with the thread's name."""
    threads = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as stat:
                head, tail = stat.read().rsplit(")", 1)
            fields = tail.split()
            threads[int(tid)] = (head.split("(", 1)[1], (int(fields[11]) + int(fields[12])) / CLOCK_TICKS)
        except OSError:
            continue
    return threads


def busiest_threads(before, after, window):
    """Seconds per minute of the threads that worked during the window, busiest first."""
    used = []
    for tid, (name, cpu) in after.items():
        start = before.get(tid, (name, 0.0))[1]
        if cpu - start > 0:
            used.append({"thread": tid, "name": name, "cpu_per_min_s": (cpu - start) / window * 60.0})
    return sorted(used, key=lambda t: -t["cpu_per_min_s"])


def stripped_size(exe, work):
    """Size of the program as shipped, without debug information, the same way for every exe."""
    out = os.path.join(work, "stripped-" + os.path.basename(exe))
    # As the build strips the program: debug information and the symbol table.
    subprocess.run(["x86_64-w64-mingw32-strip", "--strip-all", "-o", out, exe], check=True)
    return os.path.getsize(out)


def peak_resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def wine_server_pid(prefix):
    """The Wine server of our prefix (the scripts keep one running with `wineserver -p`). One that
    an earlier session told to end may linger for a moment: the youngest is ours."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/comm") as comm:
                if not comm.read().strip().startswith("wineserver"):
                    continue
            with open(f"/proc/{entry}/environ", "rb") as environ:
                if f"WINEPREFIX={prefix}".encode() not in environ.read().split(b"\0"):
                    continue
            with open(f"/proc/{entry}/stat") as stat:
                started = int(stat.read().rsplit(")", 1)[1].split()[19])
            found.append((started, int(entry)))
        except OSError:
            continue
    if not found:
        raise RuntimeError("no Wine server runs for " + prefix)
    return max(found)[1]


def wav_seconds(path):
    with wave.open(path, "rb") as take:
        return take.getnframes() / take.getframerate()


class Bench:
    def __init__(self, build, docs):
        self.build = build
        self.docs = docs
        self.work = os.path.join(build, "bench")
        self.recorder = os.path.join(build, "app", "mirebasco.exe")
        self.floor = os.path.join(build, "bench", "floor_window.exe")
        self.driver = os.path.join(build, "bench", "bench_driver.exe")
        self.holder = os.path.join(build, "tests", "desktop_holder.exe")
        self.takes_dir = os.path.join(self.work, "takes")
        os.makedirs(self.takes_dir, exist_ok=True)
        self.server = wine_server_pid(os.environ["WINEPREFIX"])
        self.runs = env_number("BENCH_RUNS", 5)
        self.take_lengths = [float(x) for x in os.environ.get("BENCH_TAKES", "1 10 60 300").split()]
        self.idle_seconds = env_number("BENCH_IDLE_SECONDS", 30.0, float)

    # --- driving ---------------------------------------------------------------------------
    def drive(self, *args):
        say("  bench_driver " + " ".join(args))
        done = subprocess.run(["wine", self.driver, *args], capture_output=True, text=True,
                              encoding="cp932", errors="replace", cwd=self.takes_dir,
                              stdin=subprocess.DEVNULL, timeout=600)
        if done.returncode != 0:
            raise RuntimeError(f"bench_driver {' '.join(args)}: {done.stderr.strip()}")
        return figures_of(done.stdout)

    def start_program(self, exe, kind):
        program = subprocess.Popen(["wine", exe], cwd=self.takes_dir, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.drive("ready", kind)
        return program

    def close_program(self, program, kind):
        self.drive("close", kind)
        return program.wait(timeout=60)

    # --- one run ---------------------------------------------------------------------------
    def startup(self, run):
        """Both programs started in turn, a few times, the first one changing from run to run."""
        order = [("floor", self.floor), ("recorder", self.recorder)]
        if run % 2:
            order.reverse()
        result = {"floor": [], "recorder": []}
        for _ in range(STARTS_PER_RUN):
            for kind, exe in order:
                result[kind].append(self.drive("startup", kind, windows_path(exe))["startup_ms"])
        return result

    def idle(self, program):
        time.sleep(2)  # let start-up work (fonts, the first paint) finish
        cpu0, server0 = cpu_seconds(program.pid), cpu_seconds(self.server)
        time.sleep(self.idle_seconds)
        return {"cpu_s": cpu_seconds(program.pid) - cpu0, "server_cpu_s": cpu_seconds(self.server) - server0,
                "peak_kib": peak_resident_kib(program.pid)}

    def take(self, program, seconds, run):
        say(f"  take of {seconds:g} s")
        path = os.path.join(self.takes_dir, f"take-{seconds:g}s-{run}.wav")
        reference = os.path.join(self.takes_dir, f"parecord-{seconds:g}s-{run}.wav")
        for old in (path, reference):
            if os.path.exists(old):
                os.remove(old)
        driver = subprocess.Popen(["wine", self.driver, "take", f"{seconds:g}", windows_path(path)],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                  encoding="cp932", errors="replace", cwd=self.takes_dir)
        lines = []
        parecord = None
        marks = {}
        for line in driver.stdout:
            line = line.strip()
            lines.append(line)
            if line == "recording":
                marks["main0"] = main_thread_cpu_seconds(program.pid)
                marks["threads0"] = thread_cpu_seconds(program.pid)
                marks["cpu0"] = cpu_seconds(program.pid)
                marks["server0"] = cpu_seconds(self.server)
                marks["t0"] = time.monotonic()
                # parecord records the same source in the same format beside the take.
                parecord = subprocess.Popen(
                    ["parecord", "--device=tone.monitor", "--rate=44100", "--channels=2", "--format=s16le",
                     "--file-format=wav", reference], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL)
                marks["parecord_started"] = time.monotonic()
            elif line == "stopping" and parecord:
                marks["threads1"] = thread_cpu_seconds(program.pid)
                marks["t_stopping"] = time.monotonic()
                parecord.send_signal(signal.SIGINT)
                marks["parecord_stopped"] = time.monotonic()
        error = driver.stderr.read()
        if driver.wait() != 0:
            raise RuntimeError(f"take of {seconds} s: {error.strip()}")
        marks["cpu1"] = cpu_seconds(program.pid)
        marks["main1"] = main_thread_cpu_seconds(program.pid)
        marks["server1"] = cpu_seconds(self.server)
        marks["t1"] = time.monotonic()
        _, status, usage = os.wait4(parecord.pid, 0)
        parecord.returncode = status
        figures = figures_of("\n".join(lines))
        saved = wav_seconds(path)
        asked = marks["parecord_stopped"] - marks["parecord_started"]
        window = marks["t1"] - marks["t0"]
        return {
            "seconds": seconds,
            "stop_to_saved_ms": figures["stop_to_saved_ms"],
            "saved_s": saved,
            "shown_s": figures["shown_seconds"],
            "wall_s": figures["wall_ms"] / 1000.0,
            "error_vs_status_s": saved - figures["shown_seconds"],
            "error_vs_clicks_s": saved - figures["wall_ms"] / 1000.0,
            "cpu_per_min_s": (marks["cpu1"] - marks["cpu0"]) / window * 60.0,
            "main_thread_cpu_per_min_s": (marks["main1"] - marks["main0"]) / window * 60.0,
            "server_cpu_per_min_s": (marks["server1"] - marks["server0"]) / window * 60.0,
            "threads_while_recording": busiest_threads(marks["threads0"], marks["threads1"],
                                                       marks["t_stopping"] - marks["t0"]),
            "parecord_error_s": wav_seconds(reference) - asked,
            "parecord_cpu_per_min_s": (usage.ru_utime + usage.ru_stime) / asked * 60.0,
        }

    def run_once(self, run, takes_only):
        result = {}
        if not takes_only:
            result["startup_ms"] = self.startup(run)
            floor = self.start_program(self.floor, "floor")
            result["floor_idle"] = self.idle(floor)
            self.close_program(floor, "floor")
        recorder = self.start_program(self.recorder, "recorder")
        if not takes_only:
            result["idle"] = self.idle(recorder)
        result["takes"] = [self.take(recorder, seconds, run) for seconds in self.take_lengths]
        result["peak_kib_after_takes"] = peak_resident_kib(recorder.pid)
        result["exit_code"] = self.close_program(recorder, "recorder")
        return result

    def run(self, takes_only=False):
        # Keeps Wine's desktop process up between the steps (tests/support/desktop_holder.cpp).
        holder = subprocess.Popen(["wine", self.holder], cwd=self.takes_dir, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        if holder.stdout.readline().strip() != "holding":
            raise RuntimeError("the desktop holder did not start")
        results = []
        try:
            for run in range(self.runs):
                say(f"bench: run {run + 1} of {self.runs} ...")
                results.append(self.run_once(run, takes_only))
        finally:
            holder.terminate()
            holder.wait()
        return results


def say(text):
    print(text, file=sys.stderr, flush=True)


def figures_of(text):
    figures = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) == 2:
            try:
                figures[parts[0]] = float(parts[1])
            except ValueError:
                pass
    return figures


# --- reporting -------------------------------------------------------------------------------
def spread(values):
    return statistics.median(values), min(values), max(values)


def cell(values, digits):
    median, low, high = spread(values)
    return f"{median:.{digits}f} ({low:.{digits}f} – {high:.{digits}f})"


def ratio(ours, floor):
    a, b = statistics.median(ours), statistics.median(floor)
    return f"{a / b:.2f}×" if b else "–"


def machine():
    model = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as cpuinfo:
            for line in cpuinfo:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    return f"{model}, {os.cpu_count()} cores, Linux {platform.release()}, {wine}"


def take_rows(results, add):
    """The rows of the takes, each length in turn: CPU while recording, stop to saved, lengths."""
    lengths = [t["seconds"] for t in results[0]["takes"]]

    def takes_of(i):
        return [r["takes"][i] for r in results]

    for i, seconds in enumerate(lengths):
        if seconds >= 10:
            takes = takes_of(i)
            add(f"recording CPU, whole program (s per min), {seconds:g} s take",
                [t["cpu_per_min_s"] for t in takes], [t["parecord_cpu_per_min_s"] for t in takes], 2, "parecord")
            add(f"… of which the window thread (s per min), {seconds:g} s take",
                [t["main_thread_cpu_per_min_s"] for t in takes], None, 2)
            add(f"recording CPU, Wine server (s per min), {seconds:g} s take",
                [t["server_cpu_per_min_s"] for t in takes], None, 2)
    for i, seconds in enumerate(lengths):
        add(f"stop to saved (ms), {seconds:g} s take", [t["stop_to_saved_ms"] for t in takes_of(i)], None, 0)
    for i, seconds in enumerate(lengths):
        takes = takes_of(i)
        add(f"saved length − time between the clicks (s), {seconds:g} s take",
            [t["error_vs_clicks_s"] for t in takes], [t["parecord_error_s"] for t in takes], 3,
            "parecord, saved − time recorded", with_ratio=False)
        add(f"saved length − count the status showed (s), {seconds:g} s take",
            [t["error_vs_status_s"] for t in takes], None, 3)


def table_adder(rows):
    def add(name, ours, other=None, digits=1, other_name="", with_ratio=True):
        shown_ratio = ratio(ours, other) if other is not None and with_ratio else ""
        shown_other = f"{other_name}: {cell(other, digits)}" if other is not None else ""
        rows.append(f"| {name} | {cell(ours, digits)} | {shown_other} | {shown_ratio} |")
    return add


# The kinds of row of a take in the order the tables show them (its CPU, stop to saved, its
# lengths), each with its group and its place in the group; within a group the takes go by length.
ROW_KINDS = [("recording CPU, whole program", 0, 0), ("… of which the window thread", 0, 1),
             ("recording CPU, Wine server", 0, 2), ("stop to saved", 1, 0),
             ("saved length − time between the clicks", 2, 0), ("saved length − count the status showed", 2, 1)]


def row_label(row):
    return row.split("|")[1].strip()


def row_order(row):
    label = row_label(row)
    seconds = float(label.rsplit(", ", 1)[1].split()[0])
    group, place = next((g, p) for prefix, g, p in ROW_KINDS if label.startswith(prefix))
    return group, seconds, place


def takes_table(results, earlier_block):
    """The takes' rows of this run, each marked with the day and the number of runs, among the rows
    of earlier runs for the lengths this one did not measure."""
    rows = []
    take_rows(results, table_adder(rows))
    when = f" {time.strftime('%Y-%m-%d')}, {len(results)} run{'s' if len(results) > 1 else ''} |"
    rows = [row + when for row in rows]
    labels = {row_label(row) for row in rows}
    for line in earlier_block.splitlines():
        if line.startswith("| ") and not line.startswith("| figure ") and row_label(line) not in labels:
            rows.append(line)
    head = ["| figure | mirebasco | reference | ratio | measured |", "|---|---|---|---|---|"]
    return "\n".join(head + sorted(rows, key=row_order))


def table(results, build, work):
    rows = []
    runs = len(results)
    add = table_adder(rows)

    def per_30s(result, key, which):
        return result[which][key] * 30 / idle_seconds_of(result)

    add("start-up to a usable window (ms)", [ms for r in results for ms in r["startup_ms"]["recorder"]],
        [ms for r in results for ms in r["startup_ms"]["floor"]], 0, "minimal window")
    add("idle CPU, program (s per 30 s)", [per_30s(r, "cpu_s", "idle") for r in results],
        [per_30s(r, "cpu_s", "floor_idle") for r in results], 2, "minimal window")
    add("idle CPU, Wine server (s per 30 s)", [per_30s(r, "server_cpu_s", "idle") for r in results],
        [per_30s(r, "server_cpu_s", "floor_idle") for r in results], 2, "minimal window")
    take_rows(results, add)
    size = stripped_size(os.path.join(build, "app", "mirebasco.exe"), work)
    floor_size = stripped_size(os.path.join(build, "bench", "floor_window.exe"), work)
    rows.append(f"| size of the .exe without debug information (KiB) | {size / 1024:.0f} | "
                f"minimal window: {floor_size / 1024:.0f} | {size / floor_size:.2f}× |")
    add("peak resident memory, idle (MiB)", [r["idle"]["peak_kib"] / 1024 for r in results],
        [r["floor_idle"]["peak_kib"] / 1024 for r in results], 1, "minimal window")
    add("peak resident memory after the takes (MiB)", [r["peak_kib_after_takes"] / 1024 for r in results],
        [r["floor_idle"]["peak_kib"] / 1024 for r in results], 1, "minimal window")
    head = [f"Each figure: median (min – max) over {runs} runs ({STARTS_PER_RUN} starts of each program per run); "
            "ratio = median ÷ median.", "",
            "| figure | mirebasco | floor or reference | ratio |", "|---|---|---|---|"]
    return "\n".join(head + rows)


def idle_seconds_of(result):
    return result.get("idle_seconds", 30.0)


def plot(results, docs, work):
    lengths = [t["seconds"] for t in results[0]["takes"]]
    data = os.path.join(work, "takes.dat")
    with open(data, "w") as out:
        for i, seconds in enumerate(lengths):
            takes = [r["takes"][i] for r in results]
            columns = [seconds]
            for key in ("stop_to_saved_ms", "error_vs_clicks_s", "error_vs_status_s", "parecord_error_s"):
                columns.extend(spread([t[key] for t in takes]))
            out.write(" ".join(f"{c:.6f}" for c in columns) + "\n")
    script = f"""
set terminal pngcairo size 1100,420 font "sans,10"
set decimalsign "."
set output "{os.path.join(docs, 'benchmarks.png')}"
set multiplot layout 1,2
set logscale x
set xrange [0.8:400]
set xlabel "take length (s)"
set grid
set key top left
set title "stop click to status 停止 with the file complete"
set ylabel "ms"
set yrange [0:*]
plot "{data}" using 1:2:3:4 with yerrorlines title "mirebasco (median, min–max)"
set title "saved length minus the length of the take"
set ylabel "s"
set yrange [*:*]
plot "{data}" using 1:5:6:7 with yerrorlines title "mirebasco − time between the clicks", \\
     "{data}" using 1:8:9:10 with yerrorlines title "mirebasco − status count", \\
     "{data}" using 1:11:12:13 with yerrorlines title "parecord − time asked"
unset multiplot
"""
    subprocess.run(["gnuplot"], input=script, text=True, check=True)


def block_in_docs(docs, begin, end):
    """What stands between begin and end in benchmarks.md; empty when there is no such block."""
    path = os.path.join(docs, "benchmarks.md")
    if not os.path.exists(path):
        return ""
    with open(path) as old:
        text = old.read()
    start, stop = text.find(begin), text.find(end)
    return text[start:stop] if start >= 0 and stop > start else ""


def write_block(docs, begin, end, body):
    """Puts body (its markers included) in place of what stands between begin and end in
    benchmarks.md; a block not there yet goes after the whole table, or at the end."""
    path = os.path.join(docs, "benchmarks.md")
    text = "# Benchmarks\n"
    if os.path.exists(path):
        with open(path) as old:
            text = old.read()
    start, stop = text.find(begin), text.find(end)
    if start >= 0 and stop > start:
        text = text[:start] + body + text[stop + len(end):]
    elif text.find(END_MARK) >= 0:
        at = text.find(END_MARK) + len(END_MARK)
        text = text[:at] + "\n\n" + body + text[at:]
    else:
        text = text.rstrip() + "\n\n" + body + "\n"
    with open(path, "w") as new:
        new.write(text)


def write_docs(results, docs, build, work):
    lengths = ", ".join(f"{t['seconds']:g}" for t in results[0]["takes"])
    write_block(docs, BEGIN_MARK, END_MARK, "\n".join([
        BEGIN_MARK,
        f"Measured {time.strftime('%Y-%m-%d')} on {machine()}, by `scripts/bench` "
        f"({len(results)} runs; takes of {lengths} s; {idle_seconds_of(results[0]):g} s idle).",
        "",
        table(results, build, work),
        "",
        "![stop-to-saved time and saved-length error against take length](benchmarks.png)",
        END_MARK,
    ]))


def write_takes_docs(results, docs):
    earlier = block_in_docs(docs, TAKES_BEGIN_MARK, TAKES_END_MARK)
    write_block(docs, TAKES_BEGIN_MARK, TAKES_END_MARK, "\n".join([
        TAKES_BEGIN_MARK,
        "Takes measured apart from the whole table, by `scripts/bench --takes-only`: the takes of a run one "
        "after another in one program, and a later run replacing the rows of the lengths it measures. "
        "Each figure: median (min – max) over the runs its row names; ratio = median ÷ median. "
        f"Last run on {machine()}.",
        "",
        takes_table(results, earlier),
        TAKES_END_MARK,
    ]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--docs", required=True)
    parser.add_argument("--from-results", action="store_true",
                        help="write the table and the plot again from the last run's raw figures")
    parser.add_argument("--takes-only", action="store_true",
                        help="only the takes (no start-up, no idle); their rows go below the whole "
                             "table, which stays as it is")
    args = parser.parse_args()
    work = os.path.join(args.build, "bench")
    raw = os.path.join(work, "results-takes.json" if args.takes_only else "results.json")
    if args.from_results:
        with open(raw) as saved:
            results = json.load(saved)
    else:
        bench = Bench(args.build, args.docs)
        results = bench.run(args.takes_only)
        for result in results:
            result["idle_seconds"] = bench.idle_seconds
        with open(raw, "w") as out:
            json.dump(results, out, indent=1)
    if args.takes_only:
        write_takes_docs(results, args.docs)
        say(f"bench: wrote the takes' rows in {os.path.join(args.docs, 'benchmarks.md')} (raw figures in {raw})")
        return
    write_docs(results, args.docs, args.build, work)
    plot(results, args.docs, work)
    say(f"bench: wrote {os.path.join(args.docs, 'benchmarks.md')} and benchmarks.png (raw figures in {raw})")


if __name__ == "__main__":
    main()
