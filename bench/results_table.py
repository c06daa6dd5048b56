#!/usr/bin/env python3
"""Turns the JSON output of the benchmarks (bench/run.sh) into RESULTS.md."""

import json
import os
import sys

TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
SKIP_COUNTERS = {"iterations", "real_time", "cpu_time", "time_unit", "bytes_per_second",
                 "items_per_second", "label", "name", "run_name", "run_type", "repetitions",
                 "repetition_index", "threads", "family_index", "per_family_instance_index",
                 "aggregate_name", "aggregate_unit", "error_occurred", "error_message"}


def load(out, name):
    path = os.path.join(out, name + ".json")
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return json.load(f).get("benchmarks", [])


def ms(b):
    return b["real_time"] * TO_MS[b.get("time_unit", "ns")]


def cpu_ms(b):
    return b["cpu_time"] * TO_MS[b.get("time_unit", "ns")]


def fmt_time(b, t=None):
    t = ms(b) if t is None else t
    if t >= 1000:
        return "%.2f s" % (t / 1000)
    if t >= 1:
        return "%.2f ms" % t
    if t >= 0.001:
        return "%.1f us" % (t * 1000)
    return "%.0f ns" % (t * 1e6)


def fmt_rate(b):
    parts = []
    if "bytes_per_second" in b:
        parts.append("%.0f MB/s" % (b["bytes_per_second"] / 1e6))
    if "items_per_second" in b:
        v = b["items_per_second"]
        parts.append("%.2f M/s" % (v / 1e6) if v >= 1e6 else "%.0f k/s" % (v / 1e3))
    return ", ".join(parts)


def fmt_counters(b):
    parts = []
    for k, v in b.items():
        if k in SKIP_COUNTERS or not isinstance(v, (int, float)):
            continue
        parts.append("%s=%s" % (k, ("%.4g" % v)))
    return " ".join(parts)


def table(rows):
    lines = ["| Benchmark | Case | Wall | CPU | Rate | Figures |", "|---|---|---|---|---|---|"]
    for b in rows:
        if b.get("error_occurred"):
            lines.append("| %s | | error: %s | | | |" % (b["name"], b.get("error_message", "")))
            continue
        name = b.get("run_name", b["name"]).split("/iterations")[0]
        cpu = fmt_time(b, cpu_ms(b)) if cpu_ms(b) > 0 else ""
        lines.append("| %s | %s | %s | %s | %s | %s |" % (name, b.get("label", ""), fmt_time(b),
                                                          cpu, fmt_rate(b), fmt_counters(b)))
    return "\n".join(lines)


def main():
    out = sys.argv[1]
    machine = {}
    with open(os.path.join(out, "machine.txt")) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            machine[key] = value
    runs = {n: load(out, n) for n in ("appli_store_bench", "backup_file_bench", "csv_bench",
                                     "main_view_model_bench", "serial_wait_bench",
                                     "startup_bench", "sync_merge_bench",
                                     "collection_sync_bench", "calendar_bench",
                                     "search_bench", "link_transfer_bench",
                                     "link_transfer_bench_rt", "organizer_sync_bench")}
    ok = lambda rows: [b for b in rows if not b.get("error_occurred")]

    goals = []

    def goal(text, figure, met, met_on_cpu=None):
        if met:
            verdict = "met"
        elif met_on_cpu:
            verdict = "met on CPU time; **missed** on wall time"
        else:
            verdict = "**missed**"
        goals.append("| %s | %s | %s |" % (text, figure, verdict))

    for title, key in (("Link", "link_transfer_bench"),
                       ("Link, real-time priority", "link_transfer_bench_rt")):
        for b in ok(runs[key]):
            label = "%s: %s, %d records" % (title, b.get("label", ""), int(b.get("records", 0)))
            r = b["wall_per_bound"]
            goal(label + ": wall time within 5 % of the wire-time bound",
                 "%.3f x bound (%.1f s of %.1f s)" % (r, ms(b) / 1000, b["bound_s"]), r <= 1.05)
            c = b["cpu_per_wall"]
            goal(label + ": CPU below 2 % of one core", "%.2f %%" % (c * 100), c < 0.02)
    files = [b for b in ok(runs["backup_file_bench"])
             if b["name"].startswith(("BM_ReadBackupFile", "BM_WriteBackupFile"))]
    for b in files:
        kind = b["name"].split("/")[0][3:]
        goal("%s, maximal file (%.0f MB, %s) under 1 s" % (kind, b.get("file_MB", 0), b.get("label", "")),
             "%s wall, %s CPU" % (fmt_time(b), fmt_time(b, cpu_ms(b))), ms(b) < 1000,
             cpu_ms(b) < 1000)
    for b in ok(runs["backup_file_bench"]):
        if b["name"].startswith("BM_LoadedStoreMemory"):
            goal("Loaded store within twice its file plus 1 MB",
                 "%.1f MB for a %.1f MB file (%.2f x)" %
                 (b["store_MB"], b["file_MB"], b["store_per_file"]),
                 b["store_MB"] <= 2 * b["file_MB"] + 1)
    for family, word in (("BM_ExportCsv", "export"), ("BM_ImportCsv", "import")):
        rows = [b for b in ok(runs["csv_bench"]) if b["name"].startswith(family)]
        if rows:
            worst = min(rows, key=lambda b: b["items_per_second"])
            # The rate is per wall second; the same per CPU second:
            on_cpu = worst["items_per_second"] * ms(worst) / cpu_ms(worst)
            goal("CSV %s at least 200,000 lines/s (slowest application)" % word,
                 "%.0f lines/s wall, %.0f lines/s CPU (%s)" %
                 (worst["items_per_second"], on_cpu, worst.get("label", "")),
                 worst["items_per_second"] >= 200000, on_cpu >= 200000)
    sorts = [b for b in ok(runs["main_view_model_bench"]) if b["name"].startswith("BM_SortOnColumn")]
    if sorts:
        worst = max(sorts, key=ms)
        worst_cpu = max(sorts, key=cpu_ms)
        goal("Sorting 920 rows on any column under 5 ms (%d columns)" % len(sorts),
             "slowest %s wall (%s), %s CPU (%s)" %
             (fmt_time(worst), worst.get("label", ""), fmt_time(worst_cpu, cpu_ms(worst_cpu)),
              worst_cpu.get("label", "")), ms(worst) < 5, cpu_ms(worst_cpu) < 5)
    for b in ok(runs["startup_bench"]):
        if int(b.get("rows", 0)) > 0:
            goal("First start, three applications of 65,535 records (%s on screen), window shown "
                 "within 0.5 s" % b.get("label", ""),
                 "%s wall, %s CPU" % (fmt_time(b), fmt_time(b, cpu_ms(b))), ms(b) < 500,
                 cpu_ms(b) < 500)

    for b in ok(runs["sync_merge_bench"]):
        goal("Sync: merging 7 x 65,535 records per side (%s) under 1 s" % b.get("label", ""),
             "%s wall, %s CPU" % (fmt_time(b), fmt_time(b, cpu_ms(b))), ms(b) < 1000,
             cpu_ms(b) < 1000)
    for b in ok(runs["collection_sync_bench"]):
        if b.get("label") == "Radicale":
            goal("Sync of %d cards with a CardDAV address book, nothing changed: one request "
                 "(the listing), no item fetched" % int(b["cards"]),
                 "%d request(s), %s wall" % (int(b["requests_per_sync"]), fmt_time(b)),
                 int(b["requests_per_sync"]) == 1)
    for b in ok(runs["organizer_sync_bench"]):
        r = b["sync_per_backup"]
        goal("Sync with the organizer, %d records, nothing changed: at most 1.03 x a Backup, "
             "nothing sent" % int(b["records"]),
             "%.3f x (%.1f s; Backup %.1f s), %d session(s); one memo changed: %.1f s, %d "
             "application(s) sent" % (r, ms(b) / 1000, b["backup_s"], int(b["quiet_sessions"]),
                                      b["one_change_s"], int(b["one_change_written"])),
             r <= 1.03 and int(b["quiet_sessions"]) == 1)
    for b in ok(runs["calendar_bench"]):
        if b["name"].startswith(("BM_MonthPaint", "BM_MonthSwitch")):
            what = "painted" if b["name"].startswith("BM_MonthPaint") else "switched to and painted"
            goal("A month of the calendar with 65,535 Schedule entries (%s) %s under 50 ms" %
                 (b.get("label", ""), what),
                 "%s wall, %s CPU" % (fmt_time(b), fmt_time(b, cpu_ms(b))), ms(b) < 50,
                 cpu_ms(b) < 50)
    for b in ok(runs["search_bench"]):
        if b["name"].startswith("BM_SearchKeystroke"):
            goal("A keystroke of the search across %d records under 100 ms" % int(b["records"]),
                 "%s wall, %s CPU" % (fmt_time(b), fmt_time(b, cpu_ms(b))), ms(b) < 100,
                 cpu_ms(b) < 100)

    print("# Benchmark results\n")
    print("Written by `bench/run.sh` (release build). Machine: %s cores, %s, %s; load average "
          "at the start %s; date %s; commit %s.\n" %
          (machine.get("cores"), machine.get("cpu"), machine.get("memory"), machine.get("load"),
           machine.get("date"), machine.get("commit")))
    print("Wall is the elapsed time of one iteration, CPU the time the benchmark's thread ran; "
          "on a machine shared with other work the two part, and the goals are judged on wall "
          "time, with the CPU time beside. Rates are per wall second for the benchmarks named "
          "`.../real_time` and the link's, per CPU second for the others.\n")
    print("## Goals\n")
    print("| Goal | Figure | |\n|---|---|---|")
    print("\n".join(goals))
    sections = (("Store (65,535 records; Arg 1: one application, 7: seven)", "appli_store_bench"),
                ("Files (maximal store: seven applications of 65,535 records)", "backup_file_bench"),
                ("CSV (65,535 lines; Arg: application id)", "csv_bench"),
                ("List (920 rows; Args: application id, column)", "main_view_model_bench"),
                ("Waiting on the line", "serial_wait_bench"),
                ("Desktop program's first start (three applications of 65,535 records; "
                 "Arg: the application on screen)", "startup_bench"),
                ("Sync merge (seven lists of 65,535 records per side; Arg: the case)",
                 "sync_merge_bench"),
                ("Sync with an address book (920 cards, nothing changed; Arg 0: a vdir, "
                 "1: Radicale; first_sync_s: the first sync, which writes them)",
                 "collection_sync_bench"),
                ("Calendar (65,535 Schedule entries; Arg 0: over eight years, 1: in one month)",
                 "calendar_bench"),
                ("Search across applications (Arg: records in each of six applications)",
                 "search_bench"),
                ("Link (paced at 1920 bytes/s)", "link_transfer_bench"),
                ("Sync with the organizer (virtual organizer at 19200 baud; Arg: records per "
                 "application)", "organizer_sync_bench"),
                ("Link at real-time priority", "link_transfer_bench_rt"))
    for title, key in sections:
        if runs[key]:
            print("\n## %s\n" % title)
            print(table(runs[key]))


if __name__ == "__main__":
    main()
