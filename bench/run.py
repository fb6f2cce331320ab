#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs Quillet's benchmarks on a built tree and prints a table of figures.

    python3 bench/run.py --build build-bench

Builds the program and the benchmark programs in the given build folder (configure it first,
ideally as RelWithDebInfo), then measures:

  start-up   process start until the main window and all N note windows are mapped, N = 0, 10,
             100, on Xvfb with openbox and trayer; memory two seconds later; CPU used while
             idle for 10 s once the update check is over. Where Debian's xpad is installed it
             is measured in the same session, runs alternating, with the same notes written in
             its own pad files, and the ratios are printed.
  reload     the list reload (编辑_刷新列表_Click) with 10,000 notes, offscreen.
  save       "保存并关闭" on an edited note, 1,000 notes in the list, 100 note windows open.
  refresh    刷新便签 alone for 1,000 and 4,000 rows with 25 and 100 windows, to show whether
             its cost grows with rows plus windows or with rows times windows.
  find       the find matcher (platform/text) over 10,000 notes: each query typed letter by
             letter, all notes matched at every keystroke.
  soak       only when asked (--only soak; it runs for many minutes): 10,000 edit-and-save
             cycles and then 1,000 hide-all/show-all cycles with 100 notes, all shown,
             offscreen and on xcb (Xvfb without a window manager); resident memory and the
             allocator's memory in use before, between and after, and the time per cycle at
             the start and at the end. --soak-cycles changes the number of edits (the
             hide-all/show-all cycles are a tenth of it), --soak-platforms the platforms.
  showall    only when asked (--only showall): 全部显示 over 2,000 hidden notes on xcb, under
             Xvfb with openbox and without a window manager, in turns as the program does it
             and in one go: time until every window is shown, longest pause of the event loop.
  soak-cjk   only when asked: the soak with a new random Chinese text typed in every edit,
             with the memory after every tenth of the edits, to show where the glyph caches
             level off.

Figures are wall-clock times (medians) and depend on the machine and its load; nothing here
passes or fails. Standard library only; needs Xvfb, openbox, xdotool, xprop and trayer (the
end-to-end test tools) for the start-up part.
"""

import argparse
import datetime
import os
import platform
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.path.insert(0, HERE)

import harness  # noqa: E402
import fixtures  # noqa: E402

TARGETS = ("quillet", "quillet-makedb", "update", "quillet-bench", "quillet-find-bench",
           "quillet-mapwait", "quillet-floor-qt", "quillet-floor-x")


def log(*args):
    print(*args, file=sys.stderr, flush=True)


def closed_port():
    """A 127.0.0.1 port nobody listens on: bound for a moment, then released."""
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


# ---- processes -------------------------------------------------------------------------

def descendants(pid):
    """pid and every process below it."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            children.setdefault(ppid, []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo.extend(children.get(p, []))
    return found


def memory_kib(pid):
    """(PSS, RSS, USS) in KiB summed over the process and its descendants. USS is the
    process's private memory (Private_Clean + Private_Dirty)."""
    pss = rss = uss = 0
    for p in descendants(pid):
        try:
            with open("/proc/%d/smaps_rollup" % p) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        pss += int(line.split()[1])
                    elif line.startswith("Rss:"):
                        rss += int(line.split()[1])
                    elif line.startswith(("Private_Clean:", "Private_Dirty:")):
                        uss += int(line.split()[1])
        except OSError:
            pass
    return pss, rss, uss


def cpu_and_switches(pid):
    """(utime + stime in clock ticks, voluntary + involuntary context switches of all
    threads), summed over the process and its descendants."""
    ticks = switches = 0
    for p in descendants(pid):
        try:
            with open("/proc/%d/stat" % p) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            ticks += int(fields[11]) + int(fields[12])  # utime, stime
            for task in os.listdir("/proc/%d/task" % p):
                with open("/proc/%d/task/%s/status" % (p, task)) as f:
                    for line in f:
                        if line.startswith(("voluntary_ctxt_switches",
                                            "nonvoluntary_ctxt_switches")):
                            switches += int(line.split()[1])
        except (OSError, IndexError, ValueError):
            pass
    return ticks, switches


def end_process(pid):
    """Ends the program's session (started by quillet-mapwait with setsid) and waits."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(pid, sig)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + 3
        while time.monotonic() < deadline:
            try:
                with open("/proc/%d/stat" % pid) as f:
                    if f.read().rsplit(")", 1)[1].split()[0] == "Z":
                        return
            except OSError:
                return
            time.sleep(0.02)


# ---- start-up --------------------------------------------------------------------------

class Program:
    """One program measured at start: how to write N notes and how to launch it."""

    def __init__(self, name, desktop, argv, windows, prepare, env):
        self.name, self.desktop, self.argv = name, desktop, argv
        self.windows = windows  # N -> top-level windows that mean "started"
        self.prepare = prepare  # N -> None; writes the N notes
        self.env = env


def quillet_program(desktop, bin_dir, site):
    app_dir = desktop.app_dir
    for name in ("quillet", "libupdate.so"):
        shutil.copy2(os.path.join(bin_dir, name), os.path.join(app_dir, name))
    prepared = {}

    def prepare(n):
        if prepared.get("n") != n:
            fixtures.fill_quillet(os.path.join(bin_dir, "quillet-makedb"), app_dir, n)
            prepared["n"] = n

    return Program("Quillet", desktop, [os.path.join(app_dir, "quillet")],
                   lambda n: n + 1,  # the main window and one window per note
                   prepare, desktop.env(QUILLET_SITE_URL=site))


class XpadProgram(Program):
    """xpad has no main window, and with no pads it maps nothing but its tray icon: with N = 0
    it is started with -n, which opens one new, empty pad, as the one window to wait for."""

    def __init__(self, desktop):
        xpad = shutil.which("xpad")
        super().__init__("xpad", desktop, [xpad], lambda n: max(n, 1),
                         lambda n: self._prepare(n), desktop.env())
        self.xpad = xpad

    def _prepare(self, n):
        fixtures.fill_xpad(self.desktop.home, n)
        self.argv = [self.xpad] + (["-n"] if n == 0 else [])


def xpad_program(desktop):
    return XpadProgram(desktop)


class FloorProgram(Program):
    """A reference program from bench/ that maps a main window and N note-sized windows."""

    def __init__(self, desktop, name, path):
        super().__init__(name, desktop, [path], lambda n: n + 1,
                         lambda n: setattr(self, "argv", [path, str(n)]), desktop.env())
        self.idle = False  # nothing to learn from their idle time


def floor_programs(desktop, bench_dir):
    return [FloorProgram(desktop, name, os.path.join(bench_dir, exe))
            for name, exe in (("bare Qt", "quillet-floor-qt"), ("bare X", "quillet-floor-x"))]


def session_ticks(desktop):
    """(X server, window manager + tray host): CPU clock ticks used so far."""
    ticks = {}
    for name in ("xvfb", "openbox", "trayer"):
        proc = desktop.procs.get(name)
        ticks[name] = cpu_and_switches(proc.pid)[0] if proc is not None else 0
    return ticks["xvfb"], ticks["openbox"] + ticks["trayer"]


def start_once(program, n, mapwait, idle):
    """One start: (ms until mapped; CPU ms until then of the program, of Xvfb and of the
    window manager with the tray host; PSS, RSS and USS in KiB; idle CPU ms and context
    switches, or None when idle is false)."""
    program.prepare(n)
    session0 = session_ticks(program.desktop)
    out = subprocess.run([mapwait, str(program.windows(n)), "60", *program.argv],
                         env=program.env, capture_output=True, text=True, timeout=90)
    fields = out.stdout.split()
    if len(fields) != 2:
        raise RuntimeError("%s did not start: %s %s" % (program.name, out.stdout, out.stderr))
    pid, ms = int(fields[0]), float(fields[1])
    tick_ms = 1000.0 / os.sysconf("SC_CLK_TCK")
    own_cpu = cpu_and_switches(pid)[0] * tick_ms
    session1 = session_ticks(program.desktop)
    x_cpu = (session1[0] - session0[0]) * tick_ms
    wm_cpu = (session1[1] - session0[1]) * tick_ms
    try:
        if ms < 0:
            raise RuntimeError("%s: its %d windows did not appear within 60 s"
                               % (program.name, program.windows(n)))
        started = time.monotonic()
        time.sleep(2.0)
        pss, rss, uss = memory_kib(pid)
        cpu = switches = None
        if idle:
            # The update check runs two seconds after load and fails at once on a closed
            # port; one more second lets it finish before the idle time is counted.
            time.sleep(max(0.0, started + 3.0 - time.monotonic()))
            ticks0, sw0 = cpu_and_switches(pid)
            time.sleep(10.0)
            ticks1, sw1 = cpu_and_switches(pid)
            cpu = (ticks1 - ticks0) * tick_ms
            switches = sw1 - sw0
        return ms, own_cpu, x_cpu, wm_cpu, pss, rss, uss, cpu, switches
    finally:
        end_process(pid)


def bench_startup(programs, mapwait, counts, runs):
    """{(program, n): {"ms": [...], "pss": [...], ...}}; programs alternate run by run."""
    results = {}
    for n in counts:
        idle = n == max(counts)
        for run in range(runs + 1):  # run 0 warms the caches and is not counted
            for program in programs:
                ms, own, x_cpu, wm_cpu, pss, rss, uss, cpu, sw = start_once(
                    program, n, mapwait, idle and getattr(program, "idle", True))
                log("  start %-7s N=%-3d run %d: %7.1f ms (CPU: own %5.0f, Xvfb %5.0f, WM %5.0f)"
                    "  RSS %6.1f MiB  PSS %6.1f MiB  USS %6.1f MiB%s" % (
                    program.name, n, run, ms, own, x_cpu, wm_cpu, rss / 1024, pss / 1024,
                    uss / 1024,
                    "" if cpu is None else "  idle CPU %.0f ms, %d switches" % (cpu, sw)))
                if run == 0:
                    continue
                r = results.setdefault((program.name, n), {
                    "ms": [], "own": [], "x": [], "wm": [], "pss": [], "rss": [], "uss": [],
                    "cpu": [], "sw": []})
                r["ms"].append(ms)
                r["own"].append(own)
                r["x"].append(x_cpu)
                r["wm"].append(wm_cpu)
                r["pss"].append(pss / 1024)
                r["rss"].append(rss / 1024)
                r["uss"].append(uss / 1024)
                if cpu is not None:
                    r["cpu"].append(cpu)
                    r["sw"].append(sw)
    return results


# ---- offscreen benchmarks --------------------------------------------------------------

def run_bench(bench, mode, folder, runs, home, timeout=900, display=None):
    """Runs a quillet-bench mode offscreen, or on xcb on the X display given."""
    env = {k: os.environ[k] for k in ("PATH", "LANG", "TZ") if k in os.environ}
    if display:
        env.update(QT_QPA_PLATFORM="xcb", DISPLAY=display)
    else:
        env.update(QT_QPA_PLATFORM="offscreen")
    env.update(HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_DATA_HOME=home + "/.local/share", XDG_CACHE_HOME=home + "/.cache",
               XDG_RUNTIME_DIR=home + "/runtime", QUILLET_SITE_URL="http://127.0.0.1:%d"
               % closed_port(), LANG=env.get("LANG", "C.UTF-8"))
    out = subprocess.run([bench, mode, folder, str(runs)], env=env, capture_output=True,
                         text=True, timeout=timeout)
    return results(out, "quillet-bench " + mode)


def results(out, name):
    """The "RESULT name value" lines of a benchmark program's run; its other lines are logged."""
    for line in out.stdout.splitlines():
        if not line.startswith("RESULT"):
            log("  " + line)
    if out.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (name, out.returncode, out.stderr[-2000:]))
    return {line.split()[1]: float(line.split()[2]) for line in out.stdout.splitlines()
            if line.startswith("RESULT")}


# ---- report ----------------------------------------------------------------------------

def machine():
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return "%s, %d cores (%s), load average %.1f at the start" % (
        platform.node(), os.cpu_count() or 0, cpu, os.getloadavg()[0])


def fmt(v, digits=1):
    return "-" if v is None else "%.*f" % (digits, v)


def table(rows):
    widths = [max(len(str(r[i])) for r in rows) for i in range(len(rows[0]))]
    lines = []
    for k, r in enumerate(rows):
        lines.append("| " + " | ".join(str(c).ljust(widths[i]) for i, c in enumerate(r))
                     + " |")
        if k == 0:
            lines.append("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    return "\n".join(lines)


def add_soak(add, notes, mode, qpa, r):
    """The rows of one soak; the memory after every tenth of the edits goes to the notes."""
    def mib(key):
        return r[key] / 1024 if r.get(key, -1) >= 0 else None

    name = "%s (%s)" % ("Soak" if mode == "soak" else "Soak, random Chinese texts", qpa)
    for key, what in (("start", "at the start"), ("warm", "after 100 edits"),
                      ("after_edits", "after %d edits" % r["soak_edit_cycles"]),
                      ("end", "after %d hide/show too" % r["soak_hide_show_cycles"])):
        add("%s: RSS %s (MiB)" % (name, what), mib("soak_rss_%s_kib" % key))
        if mib("soak_heap_%s_kib" % key) is not None:
            add("%s: malloc in use %s (MiB)" % (name, what), mib("soak_heap_%s_kib" % key))
    add("%s: RSS growth, start to end (MiB)" % name,
        mib("soak_rss_end_kib") - mib("soak_rss_start_kib"), digits=2)
    warm_growth = mib("soak_rss_end_kib") - mib("soak_rss_warm_kib")
    add("%s: RSS growth after the first 100 edits (MiB)" % name, warm_growth,
        target="< 1 MiB", met=warm_growth < 1, digits=2)
    if mib("soak_rss_hide_show_warm_kib") is not None:
        add("%s: RSS growth over the hide/show after its first 100 (MiB)" % name,
            mib("soak_rss_end_kib") - mib("soak_rss_hide_show_warm_kib"), digits=2)
    heap_growth = mib("soak_heap_end_kib") and mib("soak_heap_end_kib") - mib("soak_heap_warm_kib")
    if heap_growth is not None:
        add("%s: malloc in use, growth after the first 100 edits (MiB)" % name, heap_growth,
            target="< 1 MiB", met=heap_growth < 1, digits=2)
    for key, what in (("soak_edit", "edit-and-save"), ("soak_hide_show", "hide-all/show-all")):
        for end in ("first", "last"):
            add("%s: %s cycle, median of the %s 100 (ms)" % (name, what, end),
                r["%s_%s" % (key, end)], digits=2)
    steps = sorted(int(k.split("_")[3]) for k in r if k.startswith("soak_rss_at_"))
    notes.append("%s, memory after each tenth of the edits (edits: RSS / malloc in use, MiB): %s"
                 % (name, ", ".join("%d: %.1f / %.1f" % (
                     n, r["soak_rss_at_%d_kib" % n] / 1024, r["soak_heap_at_%d_kib" % n] / 1024)
                     for n in steps)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build-bench"),
                        help="configured build folder (default: build-bench)")
    parser.add_argument("--runs", type=int, default=5, help="measured runs per figure")
    parser.add_argument("--no-build", action="store_true", help="use the programs as built")
    parser.add_argument("--notes", default="0,10,100",
                        help="note counts for the start-up part (default 0,10,100)")
    parser.add_argument("--no-xpad", action="store_true", help="measure Quillet alone")
    parser.add_argument("--no-floors", action="store_true",
                        help="leave out the bare Qt and bare X reference programs")
    parser.add_argument("--only", choices=("startup", "reload", "save", "refresh", "find", "soak",
                                           "soak-cjk", "showall"),
                        action="append", help="run only these parts (repeatable)")
    parser.add_argument("--soak-cycles", type=int, default=10000,
                        help="edit-and-save cycles of the soak (default 10,000)")
    parser.add_argument("--soak-platforms", default="offscreen,xcb",
                        help="Qt platforms of the soaks (default offscreen,xcb)")
    args = parser.parse_args()
    parts = args.only or ["startup", "reload", "save", "refresh", "find"]
    build = os.path.abspath(args.build)
    if not args.no_build:
        subprocess.run(["cmake", "--build", build, "-j2", "--target", *TARGETS], check=True)
    bin_dir = os.path.join(build, "bin")
    bench = os.path.join(build, "bench-bin", "quillet-bench")
    mapwait = os.path.join(build, "bench-bin", "quillet-mapwait")
    started = datetime.datetime.now(datetime.timezone.utc)
    print("Quillet benchmarks, %s UTC, %s" % (started.strftime("%Y-%m-%d %H:%M"), machine()))
    build_type = "?"
    try:
        with open(os.path.join(build, "CMakeCache.txt")) as f:
            for line in f:
                if line.startswith("CMAKE_BUILD_TYPE:"):
                    build_type = line.split("=", 1)[1].strip()
    except OSError:
        pass
    print("Build: %s (%s)" % (build, build_type))
    xpad = None if args.no_xpad else shutil.which("xpad")
    if not xpad:
        print("xpad not installed: Quillet is measured alone" if not args.no_xpad
              else "xpad left out (--no-xpad)")

    rows = [("Figure", "Quillet", "xpad", "Quillet/xpad", "Target", "Met")]
    notes = []

    def add(name, q, x=None, target=None, met=None, digits=1):
        ratio = None if (q is None or x in (None, 0)) else q / x
        rows.append((name, fmt(q, digits), fmt(x, digits),
                     "-" if ratio is None else "%.2f" % ratio, target or "",
                     "" if met is None else ("yes" if met else "NO")))
        return ratio

    work = tempfile.mkdtemp(prefix="quillet-bench-")
    try:
        if "startup" in parts:
            missing = harness.missing_tools(("trayer",))
            if missing or not os.path.exists(mapwait):
                print("start-up skipped: missing %s" % ", ".join(missing or ["quillet-mapwait"]))
            else:
                counts = tuple(int(c) for c in args.notes.split(","))
                with harness.Desktop(tray=True) as desktop:
                    programs = [quillet_program(desktop, bin_dir,
                                                "http://127.0.0.1:%d" % closed_port())]
                    if xpad:
                        programs.append(xpad_program(desktop))
                    if not args.no_floors:
                        programs += floor_programs(desktop, os.path.dirname(mapwait))
                    log("start-up: %d runs after a warm-up, N = %s" % (args.runs, counts))
                    res = bench_startup(programs, mapwait, counts, args.runs)

                def med(prog, n, key):
                    r = res.get((prog, n))
                    return statistics.median(r[key]) if r and r[key] else None

                for n in counts:
                    q, x = med("Quillet", n, "ms"), med("xpad", n, "ms")
                    ratio = (q / x) if (q and x) else None
                    add("Start-up, %d notes (ms)" % n, q, x,
                        "<= 0.25 x xpad" if n == 100 else None,
                        (ratio <= 0.25) if (n == 100 and ratio is not None) else None)
                for n in counts:
                    add("  CPU of the program until mapped, %d notes (ms)" % n,
                        med("Quillet", n, "own"), med("xpad", n, "own"), digits=0)
                for n in counts:
                    add("  CPU of Xvfb meanwhile, %d notes (ms)" % n,
                        med("Quillet", n, "x"), med("xpad", n, "x"), digits=0)
                for n in counts:
                    add("  CPU of openbox+trayer meanwhile, %d notes (ms)" % n,
                        med("Quillet", n, "wm"), med("xpad", n, "wm"), digits=0)
                # RSS carries the target: PSS shares library pages with whatever else runs
                # (other Qt programs lower Quillet's share), RSS counts them whole for both.
                for n in counts:
                    q, x = med("Quillet", n, "rss"), med("xpad", n, "rss")
                    ratio = (q / x) if (q and x) else None
                    add("Memory RSS, %d notes (MiB)" % n, q, x,
                        "<= 0.45 x xpad" if n == 100 else None,
                        (ratio <= 0.45) if (n == 100 and ratio is not None) else None)
                for n in counts:
                    add("Memory PSS, %d notes (MiB)" % n, med("Quillet", n, "pss"),
                        med("xpad", n, "pss"))
                for n in counts:
                    add("Memory USS (private), %d notes (MiB)" % n, med("Quillet", n, "uss"),
                        med("xpad", n, "uss"))
                # What no program can beat here, and what Qt itself costs: the same windows
                # from a bare X client and from a Qt Widgets program with nothing else.
                for name in ("bare Qt", "bare X"):
                    for n in counts:
                        if med(name, n, "ms") is not None:
                            add("Reference: %s, %d notes: start-up (ms)" % (name, n),
                                med(name, n, "ms"), med("xpad", n, "ms"))
                for n in counts:
                    if med("bare Qt", n, "rss") is not None:
                        add("Reference: bare Qt, %d notes: memory RSS (MiB)" % n,
                            med("bare Qt", n, "rss"), med("xpad", n, "rss"))
                # The goals beside the bare Qt program, which shows the same windows with
                # nothing else: the program's own cost over Qt's floor.
                qt_goals = {0: 1.5, 10: 1.2, 100: 1.15}
                for n in counts:
                    q, floor = med("Quillet", n, "ms"), med("bare Qt", n, "ms")
                    if q is not None and floor:
                        goal = qt_goals.get(n)
                        add("Quillet / bare Qt, start-up, %d notes" % n, q / floor,
                            target=None if goal is None else "<= %.2f" % goal,
                            met=None if goal is None else q / floor <= goal, digits=2)
                n = max(counts)
                q, floor = med("Quillet", n, "rss"), med("bare Qt", n, "rss")
                if q is not None and floor:
                    add("Quillet - bare Qt, RSS, %d notes (MiB)" % n, q - floor,
                        target="<= 2 MiB", met=q - floor <= 2)
                q = med("Quillet", n, "cpu")
                add("Idle CPU over 10 s, %d notes (ms)" % n, q, med("xpad", n, "cpu"),
                    "practically 0", None if q is None else q <= 10, digits=0)
                add("Idle context switches over 10 s", med("Quillet", n, "sw"),
                    med("xpad", n, "sw"), digits=0)
        home = os.path.join(work, "home")
        for sub in ("", ".config", ".local/share", ".cache", "runtime"):
            os.makedirs(os.path.join(home, sub), exist_ok=True)
        os.chmod(os.path.join(home, "runtime"), 0o700)
        makedb = os.path.join(bin_dir, "quillet-makedb")
        if "reload" in parts:
            folder = os.path.join(work, "reload")
            fixtures.fill_quillet(makedb, folder, 10000)
            log("reload: 10,000 notes")
            r = run_bench(bench, "reload", folder, max(args.runs, 7), home)
            add("List reload, %d notes: call (ms)" % r["reload_rows"], r["reload_call"],
                target="< 50 ms", met=r["reload_call"] < 50, digits=2)
            add("List reload, %d notes: until painted (ms)" % r["reload_rows"],
                r["reload_painted"], target="< 50 ms", met=r["reload_painted"] < 50, digits=2)
        if "save" in parts:
            folder = os.path.join(work, "save")
            # 100 windows: the first 99 notes and the last one (the save's mark toggle closes
            # and reopens the last row's window, so the number of windows stays 100).
            fixtures.fill_quillet(makedb, folder, 1000, visible=lambda i: i < 99 or i == 999)
            log("save: 1,000 notes, 100 note windows")
            r = run_bench(bench, "save", folder, max(args.runs, 7), home)
            label = "%d rows, %d windows" % (r["save_rows"], r["save_windows"])
            add("Save round trip, %s: click (ms)" % label, r["save_call"], target="< 20 ms",
                met=r["save_call"] < 20, digits=2)
            add("Save round trip, %s: settled (ms)" % label, r["save_settled"],
                target="< 20 ms", met=r["save_settled"] < 20, digits=2)
            add("  of which the durable write (ms)", r["save_part_write"], digits=2)
            add("  of which the list reload (ms)", r["save_part_reload"], digits=2)
            add("  of which the note-window refresh (ms)", r["save_part_refresh"], digits=2)
        if "find" in parts:
            texts = os.path.join(work, "find-notes")
            with open(texts, "w", encoding="utf-8") as f:
                f.write("\0".join(fixtures.find_texts(10000)))
            log("find: 10,000 notes")
            r = results(subprocess.run(
                [os.path.join(build, "bench-bin", "quillet-find-bench"), texts,
                 str(max(args.runs, 7))], capture_output=True, text=True, timeout=900),
                "quillet-find-bench")
            add("Find, %d notes: per keystroke, median (ms)" % r["find_notes"],
                r["find_keystroke_median_ms"], target="< 30 ms",
                met=r["find_keystroke_max_ms"] < 30, digits=2)
            add("  longest keystroke (ms)", r["find_keystroke_max_ms"], digits=2)
            add("  query given as text to every note, longest keystroke (ms)",
                r["find_keystroke_text_max_ms"], digits=2)
            add("  preparing the notes for matching (ms)", r["find_prepare_ms"], digits=2)
        if "refresh" in parts:
            grid = {}
            for rows_n in (1000, 4000):
                for windows in (25, 100):
                    folder = os.path.join(work, "refresh-%d-%d" % (rows_n, windows))
                    fixtures.fill_quillet(makedb, folder, rows_n,
                                      visible=lambda i, w=windows: i < w)
                    log("refresh: %d rows, %d windows" % (rows_n, windows))
                    r = run_bench(bench, "refresh", folder, max(args.runs, 9), home)
                    grid[(rows_n, windows)] = r["refresh"]
                    add("Note-window refresh, %d rows, %d windows (ms)" % (rows_n, windows), r["refresh"],
                        digits=2)
            # With cost a*rows + b*windows the extra cost of 3,000 rows is the same for 25
            # and 100 windows; with rows x windows it would grow fourfold.
            extra25 = grid[(4000, 25)] - grid[(1000, 25)]
            extra100 = grid[(4000, 100)] - grid[(1000, 100)]
            notes.append("Note-window refresh (刷新便签): 3,000 more rows cost %.2f ms with 25 windows and %.2f ms "
                         "with 100 windows (rows x windows would make the second about 4 "
                         "times the first)." % (extra25, extra100))
        if "showall" in parts:
            folder = os.path.join(work, "showall")
            fixtures.fill_quillet(makedb, folder, 2000)
            for wm in (False, True):
                where = "Xvfb with openbox" if wm else "Xvfb, no window manager"
                log("show all: 2,000 notes, %s" % where)
                with harness.Desktop(tray=False, window_manager=wm) as desktop:
                    desktop.start()
                    r = run_bench(bench, "showall", folder, 1 if wm else 3, home,
                                  timeout=3600, display=desktop.display)
                for key, what in (("turns", "in turns"), ("one_go", "in one go (as before)")):
                    add("Show all, %d notes, %s, %s: until all shown (ms)" % (
                        r["showall_windows"], where, what), r["showall_" + key], digits=0)
                    pause = r["showall_%s_pause" % key]
                    add("Show all, %d notes, %s, %s: longest pause of the event loop (ms)" % (
                        r["showall_windows"], where, what), pause, target="< 100 ms",
                        met=pause < 100, digits=0)
        for mode in ("soak", "soak-cjk"):
            if mode not in parts:
                continue
            folder = os.path.join(work, mode)
            fixtures.fill_quillet(makedb, folder, 100)
            for qpa in args.soak_platforms.split(","):
                log("%s on %s: 100 notes, %d edits, %d hide-all/show-all" % (
                    mode, qpa, args.soak_cycles, max(1, args.soak_cycles // 10)))
                if qpa == "xcb":
                    # Xvfb alone: a window manager would only add its own time to the
                    # hide-all/show-all cycles, not the program's memory.
                    with harness.Desktop(tray=False, window_manager=False) as desktop:
                        desktop.start()
                        r = run_bench(bench, mode, folder, args.soak_cycles, home,
                                      timeout=6 * 3600, display=desktop.display)
                else:
                    r = run_bench(bench, mode, folder, args.soak_cycles, home, timeout=6 * 3600)
                add_soak(add, notes, mode, qpa, r)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print()
    print(table(rows))
    for note in notes:
        print(note)
    print("Start-up: median of %d runs after a warm-up, Quillet and xpad alternating in one Xvfb "
          "session with openbox and trayer; memory is RSS (also PSS and USS) summed over "
          "the program's processes 2 s after its windows are mapped; idle CPU is utime+stime "
          "from /proc/<pid>/stat over 10 s starting 3 s after the windows are mapped "
          "(the update check, aimed at a closed 127.0.0.1 port, runs at 2 s)." % args.runs)


if __name__ == "__main__":
    main()
