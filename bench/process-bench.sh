#!/usr/bin/env bash
# Whole-process CPU time (user + system, from the kernel's accounting in
# microseconds) and page faults (minor + major) of tervik-cli commands on
# generated one-series archives of 1,000 and 1,000,000 records: medians over
# RUNS runs (default 7), and the 1,000,000-record figure against the
# 1,000-record one of the same run.
# Usage: bench/process-bench.sh [RUNS]
# Uses build/release/bin/tervik-cli unless TERVIK_CLI is set. With
# TERVIK_BASE_CLI set, that build runs too, each run alternating the two, and
# the new build's CPU time is given against it. A peer program is timed beside
# a command with TERVIK_PEER_<command>='program args {}' ({} the archive),
# e.g. TERVIK_PEER_info='python3 info.py {}'. The row "window" is opening the
# archive in the main window offscreen and its first show
# (tervik-window-peak beside each tervik-cli, when built). The rows "floor"
# are tervik-floor (beside tervik-cli, when built): reading the archive into
# fresh memory and touching each byte once, beside info; the same and
# writing as many bytes as the export wrote, synced and renamed into place,
# beside export and export csv. Each program and size writes its own output
# file, so that no run pays for dropping another's. Needs perl and python3.
set -euo pipefail

runs=${1:-7}
here=$(dirname "$0")
cli=${TERVIK_CLI:-$here/../build/release/bin/tervik-cli}
base=${TERVIK_BASE_CLI:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

perl "$here/gen-mnr.pl" 1000000 0 "$dir/big.mnr"
perl "$here/gen-mnr.pl" 1000 0 "$dir/small.mnr"

python3 - "$runs" "$dir" "$cli" "$base" <<'PY'
import os, subprocess, sys

runs, d, cli, base = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
commands = {
    "info": "info {}",
    "stats": "stats {} --series 1",
    "export": "export {} --series 1 -o OUT.txt",
    "export csv": "export {} --series 1 --format csv -o OUT.csv",
    "intervals": "intervals {} --series 1 --interval 1h",
    "render": "render {} --series 1 -o OUT.png",
    "report": "report {} --series 1 --interval 1d -o OUT.pdf",
    "window": "{}",
}
sizes = {"1,000": d + "/small.mnr", "1,000,000": d + "/big.mnr"}
programs = {"new": [cli]}
if base:
    programs["base"] = [base]
window = {w: os.path.join(os.path.dirname(p[0]), "tervik-window-peak") for w, p in programs.items()}
window = {w: path for w, path in window.items() if os.access(path, os.X_OK)}
if not window:
    del commands["window"]
floor = os.path.join(os.path.dirname(cli), "tervik-floor")
floored = {}
if os.access(floor, os.X_OK):
    programs["floor"] = [floor]
    floored["info"] = {s: [floor, p] for s, p in sizes.items()}
    for name in ("export", "export csv"):
        floored[name] = {}
        for size, path in sizes.items():
            out = "%s/floor-out-%s" % (d, size.replace(",", ""))
            argv = [cli] + [a.replace("{}", path).replace("OUT", out) for a in commands[name].split()]
            subprocess.run(argv, check=True, stdout=subprocess.DEVNULL)
            target = argv[-1]
            floored[name][size] = [floor, path, target, str(os.path.getsize(target))]
for name, line in commands.items():
    peer = os.environ.get("TERVIK_PEER_" + name.replace(" ", "_"))
    if peer:
        programs.setdefault("peer " + name, peer.split())

def run(argv):
    """CPU ms and page faults of one run."""
    p = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    err = p.stderr.read()
    _, status, ru = os.wait4(p.pid, 0)
    if status != 0:
        sys.exit("failed: %s\n%s" % (" ".join(argv), err.decode(errors="replace")))
    return (ru.ru_utime + ru.ru_stime) * 1000, ru.ru_minflt + ru.ru_majflt

results = {}
for _ in range(runs):
    for name, line in commands.items():
        for size, path in sizes.items():
            for which, program in programs.items():
                if which.startswith("peer ") and which != "peer " + name:
                    continue
                if which == "floor":
                    if name not in floored:
                        continue
                    argv = floored[name][size]
                elif which.startswith("peer "):
                    argv = [a.replace("{}", path) for a in program]
                elif name == "window":
                    if which not in window:
                        continue
                    argv = [window[which], path]
                else:
                    argv = program + [a.replace("{}", path).replace("OUT", "%s/out-%s-%s" % (d, which, size.replace(",", "")))
                                      for a in line.split()]
                results.setdefault((which, name, size), []).append(run(argv))

def median(values):
    values = sorted(values)
    return values[(len(values) - 1) // 2]

print("median of %d runs      CPU ms 1,000 / 1,000,000 (ratio)   faults 1,000 / 1,000,000 (ratio)%s"
      % (runs, "   CPU x base 1,000 / 1,000,000" if base else ""))
for name in commands:
    for which in programs:
        if (which, name, "1,000") not in results:
            continue
        cpu = [median([r[0] for r in results[(which, name, s)]]) for s in sizes]
        flt = [median([r[1] for r in results[(which, name, s)]]) for s in sizes]
        line = "%-11s %-10s %7.1f / %7.1f (%5.2f)          %6d / %6d (%5.2f)" % (
            name, which, cpu[0], cpu[1], cpu[1] / cpu[0], flt[0], flt[1], flt[1] / flt[0])
        if base and which == "new" and ("base", name, "1,000") in results:
            b = [median([r[0] for r in results[("base", name, s)]]) for s in sizes]
            line += "        %5.2f / %5.2f" % (cpu[0] / b[0], cpu[1] / b[1])
        print(line)
PY
