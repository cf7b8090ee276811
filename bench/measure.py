#!/usr/bin/env python3
"""Times pacsift against tcpdump and tshark; called by bench/run.

Every command is started directly (no shell) with its standard input and
output redirected to files, and timed by the wall clock around fork/exec and
wait4; wait4's resource usage gives its CPU time. The commands of one round
run one after another, the rounds repeat, and the table shows medians.
"""
import argparse
import filecmp
import os
import signal
import statistics
import subprocess
import sys
import time

NAMES_OFF = ["-noHostNames", "-noPortNames", "-noEtherNames"]


class Result:
    def __init__(self, wall, user, system, status, others=0.0):
        self.wall = wall
        self.cpu = user + system
        self.status = status
        self.others = others   # CPUs kept busy by other processes meanwhile


def machine_busy():
    """CPU seconds the whole machine has spent busy (not idle, not waiting for I/O)."""
    try:
        with open("/proc/stat") as f:
            ticks = [int(field) for field in f.readline().split()[1:]]
        return (sum(ticks) - ticks[3] - ticks[4]) / os.sysconf("SC_CLK_TCK")
    except (OSError, ValueError, IndexError):
        return 0.0


def others_cpus(busy_before, wall, own_cpu):
    """How many CPUs other processes kept busy during a run: the machine's busy
    time less the run's own, over the run's wall time."""
    return max(0.0, (machine_busy() - busy_before - own_cpu) / wall) if wall > 0 else 0.0


def spawn(argv, stdin_path, stdout_path, stderr_path=os.devnull):
    fds = [os.open(stdin_path, os.O_RDONLY),
           os.open(stdout_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
           os.open(stderr_path, os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644)]
    try:
        actions = [(os.POSIX_SPAWN_DUP2, fd, target) for target, fd in enumerate(fds)]
        # Its own process group, so that a run cut short ends with its tcpdump child.
        return os.posix_spawnp(argv[0], argv, os.environ, file_actions=actions, setpgroup=0)
    finally:
        for fd in fds:
            os.close(fd)


def run(argv, stdin_path, stdout_path=os.devnull, timeout=None):
    """Runs argv once; returns its Result (status None when the timeout cut it short)."""
    busy = machine_busy()
    start = time.perf_counter()
    pid = spawn(argv, stdin_path, stdout_path)
    if timeout is None:
        _, status, usage = os.wait4(pid, 0)
    else:
        deadline = start + timeout
        while True:
            done, status, usage = os.wait4(pid, os.WNOHANG)
            if done:
                break
            if time.perf_counter() > deadline:
                os.killpg(pid, signal.SIGKILL)
                _, status, usage = os.wait4(pid, 0)
                status = None
                break
            time.sleep(0.01)
    wall = time.perf_counter() - start
    if status is not None:
        status = os.waitstatus_to_exitcode(status)
    return Result(wall, usage.ru_utime, usage.ru_stime, status,
                  others_cpus(busy, wall, usage.ru_utime + usage.ru_stime))


def checked(argv, stdin_path, stdout_path=os.devnull):
    result = run(argv, stdin_path, stdout_path)
    if result.status != 0:
        sys.exit("bench: %s exited with status %s" % (" ".join(argv), result.status))
    return result


def run_pipe(first, second, stdin_path):
    """first < stdin_path | second > /dev/null, timed as a whole."""
    busy = machine_busy()
    start = time.perf_counter()
    read_end, write_end = os.pipe()
    null = os.open(os.devnull, os.O_WRONLY)
    source = os.open(stdin_path, os.O_RDONLY)
    a = os.posix_spawnp(first[0], first, os.environ,
                        file_actions=[(os.POSIX_SPAWN_DUP2, source, 0), (os.POSIX_SPAWN_DUP2, write_end, 1),
                                      (os.POSIX_SPAWN_DUP2, null, 2), (os.POSIX_SPAWN_CLOSE, read_end)])
    b = os.posix_spawnp(second[0], second, os.environ,
                        file_actions=[(os.POSIX_SPAWN_DUP2, read_end, 0), (os.POSIX_SPAWN_DUP2, null, 1),
                                      (os.POSIX_SPAWN_DUP2, null, 2), (os.POSIX_SPAWN_CLOSE, write_end)])
    for fd in (read_end, write_end, null, source):
        os.close(fd)
    cpu = 0.0
    statuses = []
    for pid in (a, b):
        _, status, usage = os.wait4(pid, 0)
        cpu += usage.ru_utime + usage.ru_stime
        statuses.append(os.waitstatus_to_exitcode(status))
    wall = time.perf_counter() - start
    result = Result(wall, cpu, 0.0, max(statuses), others_cpus(busy, wall, cpu))
    if result.status != 0:
        sys.exit("bench: the pipe %s | %s failed" % (first[0], second[0]))
    return result


def child_running(pid, program):
    """The child of `pid` (a shell running a pipeline) that runs `program`."""
    try:
        for child in open("/proc/%d/task/%d/children" % (pid, pid)).read().split():
            with open("/proc/%s/cmdline" % child, "rb") as f:
                if f.read().split(b"\0")[0] == program.encode():
                    return int(child)
    except (OSError, ValueError):
        pass
    return None


def peak_rss_kib(argv, stdin_path, follow=None):
    """pacsift's own peak resident set (VmHWM), sampled until it exits, with
    its anonymous and file-backed parts at the last sample (KiB each).

    wait4's ru_maxrss is no use here: it also counts the tcpdump child and the
    pages of the process that forked (this interpreter). VmHWM belongs to the
    program's own address space; its buffers are all touched within the first
    packets, so the last sample before the exit is the peak. The file-backed
    part is mostly library code, which grows with the kinds of packets seen,
    not with their number."""
    pid = spawn(argv, stdin_path, os.devnull)
    peak, anon, file_backed = 0, 0, 0
    watched = None if follow else pid
    while True:
        if watched is None:
            watched = child_running(pid, follow)
        try:
            if watched is None:
                raise OSError
            with open("/proc/%d/status" % watched) as f:
                fields = dict(line.split(":", 1) for line in f if ":" in line)
            if "VmHWM" in fields:
                peak = max(peak, int(fields["VmHWM"].split()[0]))
                anon = int(fields["RssAnon"].split()[0])
                file_backed = int(fields["RssFile"].split()[0]) + int(fields["RssShmem"].split()[0])
        except (OSError, KeyError, ValueError):
            pass
        done, status, _ = os.wait4(pid, os.WNOHANG)
        if done:
            if os.waitstatus_to_exitcode(status) != 0:
                sys.exit("bench: %s failed" % " ".join(argv))
            return peak, anon, file_backed
        time.sleep(0.0005)


def count_packets(text_path, ipv4=False):
    """The header lines of tcpdump's text (and how many of them are IPv4)."""
    count = ip_count = 0
    with open(text_path, "rb") as f:
        for line in f:
            if len(line) > 8 and line[2:3] == b":" and line[5:6] == b":" and line[8:9] == b".":
                count += 1
                ip_count += b"ethertype IPv4" in line
    return (count, ip_count) if ipv4 else count


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown"


def loadavg():
    try:
        with open("/proc/loadavg") as f:
            return " ".join(f.read().split()[:3])
    except OSError:
        return "?"


def first_line(argv):
    try:
        out = subprocess.run(argv, capture_output=True, text=True, timeout=30)
        return (out.stdout or out.stderr).splitlines()[0].strip()
    except (OSError, IndexError, subprocess.TimeoutExpired):
        return "?"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pacsift", required=True)
    parser.add_argument("--pacsift-block", default="", help="built without the live flush, for its cost")
    parser.add_argument("--capture", required=True)
    parser.add_argument("--pcapng-capture", default="", help="the same packets as pcapng (editcap -F pcapng)")
    parser.add_argument("--small-capture", required=True, help="2000 packets, for memory and names")
    parser.add_argument("--names-capture", default="", help="the packets decoded with host names on")
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--tshark-runs", type=int, default=3)
    parser.add_argument("--names-timeout", type=float, default=60)
    parser.add_argument("--no-pipe-floor", action="store_true")
    parser.add_argument("--pacsift-split-all", default="",
                        help="built to split every savefile it can cut, to find the threshold")
    parser.add_argument("--threshold-captures", nargs="*", default=[],
                        help="savefiles of several sizes, for the threshold table")
    parser.add_argument("--threshold-runs", type=int, default=5)
    args = parser.parse_args()

    pacsift = os.path.abspath(args.pacsift)
    capture = args.capture
    text = os.path.join(args.work, "capture.txt")
    tcpdump = ["tcpdump", "-enx", "-s10240", "-r-"]

    print("bench: writing tcpdump's text to %s" % text, file=sys.stderr)
    checked(tcpdump, capture, text)
    packets = count_packets(text)
    text_bytes = os.path.getsize(text)
    capture_bytes = os.path.getsize(capture)
    load_start = loadavg()

    commands = [
        ("tcpdump", "tcpdump -enx -s10240 -r- < cap > /dev/null (child alone)", tcpdump, capture),
        ("e2e", "pacsift < cap end to end, terse (split)", [pacsift] + NAMES_OFF, capture),
        ("e2e-v", "pacsift < cap end to end, -verbose (split)", [pacsift, "-verbose"] + NAMES_OFF, capture),
        ("cooked", "pacsift -cooked < text, terse (decoder alone)", [pacsift, "-cooked"] + NAMES_OFF, text),
        ("cooked-v", "pacsift -cooked < text, -verbose (decoder alone)",
         [pacsift, "-cooked", "-verbose"] + NAMES_OFF, text),
        ("cooked-x", "pacsift -cooked -extended < text, terse (decoder alone)",
         [pacsift, "-cooked", "-extended"] + NAMES_OFF, text),
        ("cooked-xv", "pacsift -cooked -extended < text, -verbose (decoder alone)",
         [pacsift, "-cooked", "-extended", "-verbose"] + NAMES_OFF, text),
    ]
    tshark_runs = min(args.tshark_runs, args.runs) if args.tshark_runs > 0 else 0
    if tshark_runs:
        commands.append(("tshark", "tshark -n -V -r cap > /dev/null (reference)", ["tshark", "-n", "-V", "-r", capture],
                         os.devnull))
    block = os.path.abspath(args.pacsift_block) if args.pacsift_block else ""
    if block:
        commands.append(("e2e-block", "the same built without live flushing", [block] + NAMES_OFF, capture))
    # Into a pipe (as into a pager) a flush wakes the reader: measured too.
    pipes = [("e2e-cat", "pacsift < cap | cat > /dev/null", [pacsift] + NAMES_OFF)]
    if block:
        pipes.append(("e2e-block-cat", "the same built without live flushing", [block] + NAMES_OFF))
    # One child, as `cat cap | pacsift` gives: the savefile through a pipe.
    feeds = [("one", "cat cap | pacsift, terse (one child)", [pacsift] + NAMES_OFF, capture),
             ("one-v", "cat cap | pacsift, -verbose (one child)", [pacsift, "-verbose"] + NAMES_OFF, capture)]
    # The same packets as pcapng: split and one child.
    pcapng = args.pcapng_capture
    if pcapng:
        commands += [("e2e-ng", "pacsift < cap.pcapng, terse (split)", [pacsift] + NAMES_OFF, pcapng),
                     ("e2e-ng-v", "pacsift < cap.pcapng, -verbose (split)", [pacsift, "-verbose"] + NAMES_OFF,
                      pcapng)]
        feeds += [("one-ng", "cat cap.pcapng | pacsift, terse (one child)", [pacsift] + NAMES_OFF, pcapng),
                  ("one-ng-v", "cat cap.pcapng | pacsift, -verbose (one child)", [pacsift, "-verbose"] + NAMES_OFF,
                   pcapng)]
        print("bench: pcapng, split against one child", file=sys.stderr)
        pcapng_same = same_outputs(pacsift, pcapng, args.work)
    walls = {key: [] for key, *_ in commands}
    cpus = {key: [] for key, *_ in commands}
    others = {}
    if not args.no_pipe_floor:
        walls["pipe"], cpus["pipe"] = [], []

    for round_number in range(args.runs):
        print("bench: round %d of %d" % (round_number + 1, args.runs), file=sys.stderr)
        for key, _, argv, stdin_path in commands:
            if key == "tshark" and round_number >= tshark_runs:
                continue
            result = checked(argv, stdin_path)
            walls[key].append(result.wall)
            cpus[key].append(result.cpu)
            others.setdefault(key, []).append(result.others)
        if not args.no_pipe_floor:
            result = run_pipe(tcpdump, ["cat"], capture)
            walls["pipe"].append(result.wall)
            cpus["pipe"].append(result.cpu)
        for key, _, argv in pipes:
            result = run_pipe(argv, ["cat"], capture)
            walls.setdefault(key, []).append(result.wall)
            cpus.setdefault(key, []).append(result.cpu)
        for key, _, argv, source in feeds:
            result = run_pipe(["cat"], argv, source)
            walls.setdefault(key, []).append(result.wall)
            cpus.setdefault(key, []).append(result.cpu)
            others.setdefault(key, []).append(result.others)

    wall = {key: statistics.median(values) for key, values in walls.items()}
    cpu = {key: statistics.median(values) for key, values in cpus.items()}

    threshold_rows = []
    if args.pacsift_split_all and args.threshold_captures:
        threshold_rows = threshold_table(pacsift, os.path.abspath(args.pacsift_split_all), args.threshold_captures,
                                         args.threshold_runs)

    print("bench: peak memory", file=sys.stderr)
    small_packets = 2000
    rss = {}
    for label, path in (("small", args.small_capture), ("large", capture)):
        rss[label] = max(peak_rss_kib([pacsift] + NAMES_OFF, path) for _ in range(3))
    rss_cooked = peak_rss_kib([pacsift, "-cooked"] + NAMES_OFF, text)
    if pcapng:
        rss["pcapng"] = max(peak_rss_kib([pacsift] + NAMES_OFF, pcapng) for _ in range(3))
    rss["one"] = peak_rss_kib(["sh", "-c", "exec cat \"$0\" | exec \"$@\"", capture, pacsift] + NAMES_OFF, os.devnull,
                              follow=pacsift)

    # Names on: one run each, on a small capture whose addresses have no names.
    print("bench: names on", file=sys.stderr)
    small_off = run([pacsift] + NAMES_OFF, args.small_capture)
    ports_ether = run([pacsift, "-noHostNames"], args.small_capture)
    if args.names_capture:
        names_packets, names_ipv4 = count_packets_of(args.names_capture, tcpdump, args.work)
        names_off = run([pacsift] + NAMES_OFF, args.names_capture)
        names_out = os.path.join(args.work, "names-on.txt")
        names_on = run([pacsift], args.names_capture, names_out, timeout=args.names_timeout)
        names_done = 0
        with open(names_out, "rb") as f:
            for line in f:
                if line.startswith(b"Packet "):
                    names_done += 1
    load_end = loadavg()

    # The table.
    def ns_per(seconds, count):
        return seconds / count * 1e9

    out = []
    say = out.append
    say("pacsift benchmark")
    say("machine: nproc=%s, CPU %s; load average %s at the start, %s at the end"
        % (len(os.sched_getaffinity(0)), cpu_model(), load_start, load_end))
    say("tools: %s; %s" % (first_line(["tcpdump", "--version"]), first_line(["tshark", "--version"])))
    say("input: %d packets, savefile %.1f MB, tcpdump -enx text %.1f MB (MB = 10^6 bytes)"
        % (packets, capture_bytes / 1e6, text_bytes / 1e6))
    say("medians of %d runs, commands alternated within each round%s"
        % (args.runs, "; tshark %d run%s only (it is slow)" % (tshark_runs, "" if tshark_runs == 1 else "s")
           if tshark_runs and tshark_runs < args.runs else ""))
    say("")
    say("%-58s %9s %9s %9s %9s" % ("command", "wall s", "cpu s", "in MB/s", "ns/pkt"))
    rows = [(key, label) for key, label, *_ in commands]
    if not args.no_pipe_floor:
        rows.append(("pipe", "tcpdump ... | cat > /dev/null (pipe floor, reference)"))
    rows += [(key, label) for key, label, _ in pipes]
    rows += [(key, label) for key, label, *_ in feeds]
    for key, label in rows:
        source_bytes = text_bytes if key.startswith("cooked") else capture_bytes
        if key.endswith(("-ng", "-ng-v")):
            source_bytes = os.path.getsize(pcapng)
        say("%-58s %9.3f %9.3f %9.1f %9.0f" % (label, wall[key], cpu[key], source_bytes / wall[key] / 1e6,
                                               ns_per(wall[key], packets)))
    say("(in MB/s: the text for -cooked, the savefile otherwise; cpu s: user+system of the process and its children)")
    say("other processes kept %.2f CPUs busy (median) during the split runs, %.2f during the one-child runs"
        " (of %d; splitting needs free CPUs)" % (statistics.median(others.get("e2e", [0])),
                                                statistics.median(others.get("one", [0])),
                                                len(os.sched_getaffinity(0))))
    say("")

    checks = []

    def ratio(label, top, bottom, target=None, test=None, counted=True):
        by_wall = wall[top] / wall[bottom]
        by_cpu = cpu[top] / cpu[bottom]
        holds = None if test is None else test(by_wall)
        checks.append((label, by_wall, by_cpu, target or "-", holds, counted))

    ratio("split speed-up: one child / split, terse", "one", "e2e", ">= 1.5", lambda v: v >= 1.5)
    ratio("split speed-up: one child / split, -verbose", "one-v", "e2e-v", "(>= 1.5)", lambda v: v >= 1.5)
    if pcapng:
        ratio("pcapng split speed-up: one child / split, terse", "one-ng", "e2e-ng", ">= 1.5", lambda v: v >= 1.5)
        ratio("pcapng split speed-up: one child / split, -verbose", "one-ng-v", "e2e-ng-v", ">= 1.5",
              lambda v: v >= 1.5)
    ratio("one child terse / tcpdump alone", "one", "tcpdump", "<= 1.10", lambda v: v <= 1.10)
    ratio("end to end terse / tcpdump alone", "e2e", "tcpdump")
    ratio("end to end -verbose / tcpdump alone", "e2e-v", "tcpdump", "(<= 1.10)", lambda v: v <= 1.10)
    ratio("tcpdump text time / pacsift -cooked terse", "tcpdump", "cooked", ">= 3", lambda v: v >= 3)
    ratio("tcpdump text time / pacsift -cooked -verbose", "tcpdump", "cooked-v", "(>= 3)", lambda v: v >= 3)
    ratio("-cooked -verbose / -cooked terse", "cooked-v", "cooked", "<= 1.5", lambda v: v <= 1.5)
    ratio("tcpdump text time / pacsift -cooked -extended terse", "tcpdump", "cooked-x", ">= 5", lambda v: v >= 5)
    ratio("tcpdump text time / pacsift -cooked -extended -verbose", "tcpdump", "cooked-xv", ">= 4.5",
          lambda v: v >= 4.5)
    if tshark_runs:
        ratio("tshark -n -V / pacsift end to end terse", "tshark", "e2e", ">= 6", lambda v: v >= 6)
        ratio("tshark -n -V / pacsift end to end -verbose", "tshark", "e2e-v", "(>= 6)", lambda v: v >= 6)
        ratio("tshark -n -V / tcpdump alone (the ceiling of the above)", "tshark", "tcpdump")
    if not args.no_pipe_floor:
        ratio("tcpdump | cat / tcpdump alone (the pipe's own cost)", "pipe", "tcpdump")
        ratio("one child terse / tcpdump | cat", "one", "pipe")
    if block:
        ratio("live flushing: end to end / built without it", "e2e", "e2e-block")
        ratio("live flushing: end to end | cat / built without it", "e2e-cat", "e2e-block-cat")
    say("%-58s %9s %9s %9s %6s" % ("ratio (of the medians)", "wall", "cpu", "target", "holds"))
    for label, by_wall, by_cpu, target, holds, _ in checks:
        say("%-58s %9.2f %9.2f %9s %6s" % (label, by_wall, by_cpu, target,
                                           "-" if holds is None else "yes" if holds else "NO"))
    say("(targets are judged on wall-clock time; a target in parentheses is the same bound applied to -verbose)")
    say("")

    if threshold_rows:
        say("where splitting pays: medians of %d runs, terse; \"split\" by a build that splits every savefile it can"
            " cut, \"one child\" the same build through cat, \"shipped\" this build on the file" % args.threshold_runs)
        say("%10s %9s %10s %9s %9s %12s %15s" % ("savefile", "packets", "one child", "split", "shipped",
                                               "one / split", "shipped / one"))
        for size, count, one_wall, split_wall, shipped_wall in threshold_rows:
            say("%7.2f MB %9d %8.3f s %7.3f s %7.3f s %12.2f %15.3f"
                % (size / 1e6, count, one_wall, split_wall, shipped_wall, one_wall / split_wall,
                   shipped_wall / one_wall))
        say("(one / split above 1: splitting pays; shipped / one: what the shipped build costs over one child)")
        say("")

    say("peak resident memory of pacsift itself (VmHWM; anonymous + file-backed at the exit), names off:")
    say("  end to end terse, %6d packets (one child): %5d KiB (%d + %d)" % ((small_packets,) + rss["small"]))
    say("  end to end terse, %6d packets (split):     %5d KiB (%d + %d)" % ((packets,) + rss["large"]))
    say("  -cooked terse,    %6d packets: %5d KiB (%d + %d)" % ((packets,) + rss_cooked))
    say("  cat cap | pacsift, %6d packets (one child): %5d KiB (%d + %d)" % ((packets,) + rss["one"]))
    # The same: the anonymous part (buffers, heap, stack) does not grow with
    # the packet count; library code pages follow the kinds of packets seen.
    same = abs(rss["small"][1] - rss["one"][1]) <= 16
    say("  one child: target under 4096 KiB: %s; split: target at most 65536 KiB: %s"
        % ("yes" if max(rss["small"][0], rss["one"][0]) < 4096 else "NO",
           "yes" if rss["large"][0] <= 65536 else "NO"))
    say("  (the split run holds the text of parts waiting their turn; the anonymous part within 16 KiB for"
        " 2000 packets and one child: %s)" % ("yes" if same else "NO"))
    if pcapng:
        say("  end to end terse, pcapng (split):          %5d KiB (%d + %d); target at most 65536 KiB: %s"
            % (rss["pcapng"] + ("yes" if rss["pcapng"][0] <= 65536 else "NO",)))
    say("")
    if pcapng:
        say("pcapng (%.1f MB): split and one child give the same standard output, standard error and status,"
            " terse and -verbose: %s" % (os.path.getsize(pcapng) / 1e6, "yes" if pcapng_same else "NO"))
        say("")

    say("names on (one run each, cost per packet over the same run with names off):")
    say("  %d packets, -noHostNames (services and Ethernet names on): %.3f s vs %.3f s off: %+.1f us/packet"
        % (small_packets, ports_ether.wall, small_off.wall, (ports_ether.wall - small_off.wall) / small_packets * 1e6))
    if not args.names_capture:
        say("  default mode (all names on): not run (--names-packets 0)")
    elif names_on.status is None:
        say("  %d packets, default mode (all names on): cut short by the %.0f s timeout after %d packets "
            "(at least; output is buffered): at least %.1f ms/packet"
            % (names_packets, args.names_timeout, names_done,
               args.names_timeout / max(names_done, 1) * 1e3))
    else:
        say("  %d packets (%d IPv4), default mode (all names on): %.3f s vs %.3f s off: %+.1f us/packet, "
            "%+.1f us per IPv4 packet (status %d)"
            % (names_packets, names_ipv4, names_on.wall, names_off.wall,
               (names_on.wall - names_off.wall) / names_packets * 1e6,
               (names_on.wall - names_off.wall) / max(names_ipv4, 1) * 1e6, names_on.status))
    report = "\n".join(out) + "\n"
    sys.stdout.write(report)
    with open(os.path.join(args.work, "results.txt"), "w") as f:
        f.write(report)


def threshold_table(pacsift, split_all, captures, runs):
    """For each savefile: one child (cat | split_all), split (split_all < file)
    and the shipped build on the file, alternated, medians of wall time."""
    rows = []
    for path in captures:
        print("bench: threshold, %s" % path, file=sys.stderr)
        walls = {"one": [], "split": [], "shipped": []}
        for _ in range(runs):
            walls["one"].append(run_pipe(["cat"], [split_all] + NAMES_OFF, path).wall)
            walls["split"].append(checked([split_all] + NAMES_OFF, path).wall)
            walls["shipped"].append(checked([pacsift] + NAMES_OFF, path).wall)
        text = os.path.join(os.path.dirname(path), "threshold.txt")
        checked(["tcpdump", "-enx", "-s10240", "-r-"], path, text)
        count = count_packets(text)
        os.remove(text)
        rows.append((os.path.getsize(path), count, statistics.median(walls["one"]),
                     statistics.median(walls["split"]), statistics.median(walls["shipped"])))
    return rows


def same_outputs(pacsift, savefile, work):
    """Whether the split run (the file on standard input) and one child (the
    file through cat) give the same standard output, standard error and
    status, terse and -verbose; the outputs go to files in `work`."""
    for form in ([], ["-verbose"]):
        results = []
        for name, command in (("split", 'exec "$@" < "$0"'), ("one", 'cat "$0" | exec "$@"')):
            out_path = os.path.join(work, "same-%s.out" % name)
            err_path = os.path.join(work, "same-%s.err" % name)
            with open(out_path, "wb") as out, open(err_path, "wb") as err:
                status = subprocess.run(["sh", "-c", command, savefile, pacsift] + form + NAMES_OFF,
                                        stdin=subprocess.DEVNULL, stdout=out, stderr=err).returncode
            results.append((out_path, err_path, status))
        (split_out, split_err, split_status), (one_out, one_err, one_status) = results
        same = (split_status == one_status and filecmp.cmp(split_out, one_out, shallow=False)
                and filecmp.cmp(split_err, one_err, shallow=False))
        for path in (split_out, split_err, one_out, one_err):
            os.remove(path)
        if not same:
            return False
    return True


def count_packets_of(capture, tcpdump, work):
    path = os.path.join(work, "count.txt")
    checked(tcpdump, capture, path)
    counts = count_packets(path, ipv4=True)
    os.remove(path)
    return counts


if __name__ == "__main__":
    main()
