#!/usr/bin/env python3
"""Plants the faults of faults.txt one at a time and records which the test suite catches.

    tools/faults/run.py BUILD_DIR [IDS...] [--out FILE] [--faults FILE] [--source DIR]
                        [--test-timeout S] [--check]

For each fault: the "from" text must occur exactly once in its file (else "no longer applies");
it is replaced, everything in BUILD_DIR is built (a failed build is reported as such, never as
caught), and ctest runs with --stop-on-failure under QT_QPA_PLATFORM=offscreen. A fault is
"caught" when a test fails (the first failing test is named), "timeout" when a test hangs past
the limit (a catch too), "survived" when every test passes. The file is ALWAYS put back byte for
byte, on success, failure, Ctrl+C or SIGTERM, and the build is brought back to the sources at
the end. Before the first fault the unchanged sources are built and tested: a suite that fails
on its own would make every fault look caught, so the run stops there.

--check only verifies that every "from" still applies, without building anything.
"""

import argparse
import fcntl
import os
import re
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD_TIMEOUT = 3600  # seconds for one build; a build past it counts as failed
RUN_TIMEOUT = 3600  # seconds for one whole ctest run; past it the run is killed and reported


class Fault:
    def __init__(self, fields, line):
        self.line = line
        self.id = fields.get("id", "")
        self.file = fields.get("file", "")
        self.from_text = fields.get("from")
        self.to_text = fields.get("to", "")
        self.why = fields.get("why", "")

    @property
    def layer(self):
        parts = self.file.split("/")
        return parts[1] if len(parts) > 2 and parts[0] == "src" else "?"


def parse_faults(path):
    """Blocks of "key: value" lines separated by blank lines; "#" starts a comment line."""
    faults, fields, start = [], {}, 0
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for number, raw in enumerate(lines + [""], start=1):
        if raw.startswith("#"):
            continue
        if raw.strip() == "":
            if fields:
                faults.append(Fault(fields, start))
                fields = {}
            continue
        key, sep, value = raw.partition(":")
        key = key.strip()
        if not sep or key not in ("id", "file", "from", "to", "why"):
            sys.exit(f"{path}:{number}: expected id, file, from, to or why: {raw!r}")
        if value.startswith(" "):
            value = value[1:]  # one space after the colon belongs to the format, the rest to the text
        if key in fields:
            sys.exit(f"{path}:{number}: {key} given twice in one fault")
        if not fields:
            start = number
        fields[key] = value
    seen = set()
    for fault in faults:
        where = f"{path}:{fault.line}"
        if not fault.id or not fault.file or fault.from_text is None:
            sys.exit(f"{where}: a fault needs id, file and from")
        if fault.from_text == "":
            sys.exit(f"{where}: {fault.id}: empty from")
        if fault.from_text == fault.to_text:
            sys.exit(f"{where}: {fault.id}: from and to are the same")
        if fault.id in seen:
            sys.exit(f"{where}: {fault.id}: id used twice")
        seen.add(fault.id)
    return faults


def source_of(build_dir):
    cache = os.path.join(build_dir, "CMakeCache.txt")
    try:
        with open(cache, encoding="utf-8", errors="replace") as f:
            for line in f:
                if line.startswith("CMAKE_HOME_DIRECTORY:"):
                    return line.split("=", 1)[1].strip()
    except OSError:
        pass
    return os.path.dirname(os.path.dirname(HERE))


class Interrupted(Exception):
    pass


def on_sigterm(signum, frame):
    raise Interrupted()


def run(cmd, timeout, env=None):
    """Runs cmd in its own process group; returns (exit code or None on timeout, output)."""
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env,
                            start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out.decode("utf-8", errors="replace")
    except subprocess.TimeoutExpired:
        kill_group(proc)
        out, _ = proc.communicate()
        return None, out.decode("utf-8", errors="replace")
    except BaseException:
        kill_group(proc)
        proc.communicate()
        raise


def kill_group(proc):
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def build(build_dir):
    code, out = run(["cmake", "--build", build_dir], BUILD_TIMEOUT)
    if code == 0:
        return True, ""
    if code is None:
        return False, f"build took more than {BUILD_TIMEOUT} s"
    for line in out.splitlines():
        if "error:" in line or "Error" in line:
            return False, line.strip()[:200]
    return False, (out.strip().splitlines() or ["no output"])[-1][:200]


# "  12/228 Test  #57: WindowTest.Opens ......***Failed    0.52 sec"
# "   3/228 Test   #3: Foo.Bar ..............***Timeout 120.01 sec"
# "   9/228 Test   #9: Foo.Baz ..............***Exception: SegFault  0.10 sec"
FAILED = re.compile(r"Test\s+#\d+:\s+(\S+)\s.*?\*\*\*(.*?)\s+[\d.]+\s+sec")
PASSED = re.compile(r"tests passed, (\d+) tests failed out of (\d+)")


def run_tests(build_dir, test_timeout):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    cmd = ["ctest", "--test-dir", build_dir, "-j2", "--stop-on-failure", "--timeout", str(test_timeout)]
    code, out = run(cmd, RUN_TIMEOUT, env)
    if code is None:
        return "timeout", f"the whole test run took more than {RUN_TIMEOUT} s"
    failures = FAILED.findall(out)
    if failures:
        name, how = failures[0]
        how = how.strip()
        if how.startswith("Timeout"):
            return "timeout", name
        return "caught", name if how == "Failed" else f"{name} ({how})"
    if code == 0:
        summary = PASSED.search(out)
        if summary is None:
            return "error", "ctest reported no test"
        return "survived", f"{summary.group(2)} tests passed"
    tail = (out.strip().splitlines() or ["no output"])[-1]
    return "error", f"ctest exit {code} without a failing test: {tail[:160]}"


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def write_bytes(path, data):
    # Ctrl+C and SIGTERM wait until the file is whole again: a half-written source is never left.
    blocked = {signal.SIGINT, signal.SIGTERM}
    previous = signal.pthread_sigmask(signal.SIG_BLOCK, blocked)
    try:
        with open(path, "wb") as f:
            f.write(data)
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, previous)


def applies(source, fault):
    path = os.path.join(source, fault.file)
    try:
        original = read_bytes(path)
    except OSError as e:
        return None, f"no longer applies: {fault.file}: {e.strerror}"
    count = original.count(fault.from_text.encode("utf-8"))
    if count != 1:
        return None, f"no longer applies: the text occurs {count} times in {fault.file}"
    return original, ""


def plant_and_test(source, build_dir, fault, test_timeout):
    original, why = applies(source, fault)
    if original is None:
        return "no longer applies", why[len("no longer applies: "):]
    path = os.path.join(source, fault.file)
    planted = original.replace(fault.from_text.encode("utf-8"), fault.to_text.encode("utf-8"), 1)
    try:
        write_bytes(path, planted)
        built, error = build(build_dir)
        if not built:
            return "build failed", error
        return run_tests(build_dir, test_timeout)
    finally:
        write_bytes(path, original)
        if read_bytes(path) != original:
            raise SystemExit(f"could not put back {path}: restore it from git before anything else")


def format_table(rows):
    header = ("id", "layer", "result", "caught by / detail", "time", "fault")
    table = [header] + rows
    widths = [max(len(r[i]) for r in table) for i in range(len(header) - 1)]
    lines = []
    for r in table:
        cells = [r[i].ljust(widths[i]) for i in range(len(header) - 1)] + [r[-1]]
        lines.append("  ".join(cells).rstrip())
    return "\n".join(lines)


def summary_lines(results):
    counts = {}
    for _, _, result, *_ in results:
        counts[result] = counts.get(result, 0) + 1
    caught = counts.get("caught", 0) + counts.get("timeout", 0)
    planted = sum(v for k, v in counts.items() if k in ("caught", "timeout", "survived"))
    lines = [f"caught {caught} of {planted} planted faults that built "
             f"({counts.get('caught', 0)} by a failing test, {counts.get('timeout', 0)} by a timeout); "
             f"survived {counts.get('survived', 0)}"]
    others = [f"{k} {v}" for k, v in sorted(counts.items()) if k not in ("caught", "timeout", "survived")]
    if others:
        lines.append("not planted: " + ", ".join(others))
    return lines


def write_results(out_path, results, head):
    if not out_path:
        return
    text = "\n".join(head + ["", format_table(results), ""] + summary_lines(results)) + "\n"
    tmp = out_path + ".part"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, out_path)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build_dir")
    parser.add_argument("ids", nargs="*", help="only these faults (default: all)")
    parser.add_argument("--out", help="write the table to this file (rewritten after each fault)")
    parser.add_argument("--faults", default=os.path.join(HERE, "faults.txt"))
    parser.add_argument("--source", help="source tree (default: the one BUILD_DIR was configured from)")
    parser.add_argument("--test-timeout", type=int, default=180, help="seconds a single test may take")
    parser.add_argument("--check", action="store_true", help="only check that every fault still applies")
    args = parser.parse_args()

    build_dir = os.path.abspath(args.build_dir)
    source = os.path.abspath(args.source) if args.source else source_of(build_dir)
    out_path = os.path.abspath(args.out) if args.out else None
    faults = parse_faults(args.faults)
    if args.ids:
        known = {f.id for f in faults}
        unknown = [i for i in args.ids if i not in known]
        if unknown:
            sys.exit("unknown fault ids: " + ", ".join(unknown))
        faults = [f for f in faults if f.id in args.ids]

    if args.check:
        bad = 0
        for fault in faults:
            original, why = applies(source, fault)
            if original is None:
                bad += 1
                print(f"{fault.id}: {why}")
        print(f"{len(faults) - bad} of {len(faults)} faults apply to {source}")
        return 1 if bad else 0

    # Two runs on one build folder would build over each other and take each other's planted
    # file for the original: the second one is refused.
    lock = open(os.path.join(build_dir, ".faults-run.lock"), "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        sys.exit(f"another fault run is using {build_dir}")
    signal.signal(signal.SIGTERM, on_sigterm)
    started = time.time()
    head = [f"Faults planted in {source}, built in {build_dir}",
            f"started {time.strftime('%Y-%m-%d %H:%M', time.localtime(started))}; "
            f"ctest -j2 --stop-on-failure, {args.test_timeout} s a test, QT_QPA_PLATFORM=offscreen"]
    results = []
    code = 0
    try:
        print("building and testing the unchanged sources first", flush=True)
        t0 = time.time()
        built, error = build(build_dir)
        if not built:
            sys.exit(f"the unchanged sources do not build: {error}")
        state, detail = run_tests(build_dir, args.test_timeout)
        if state != "survived":
            sys.exit(f"the unchanged sources do not pass their tests ({state}: {detail}): no fault can be measured")
        baseline = time.time() - t0
        head.append(f"unchanged sources: {detail} ({baseline:.0f} s to build and test)")
        print(f"  {detail} ({baseline:.0f} s)", flush=True)

        for n, fault in enumerate(faults, start=1):
            print(f"[{n}/{len(faults)}] {fault.id} {fault.file}: {fault.why}", flush=True)
            t0 = time.time()
            state, detail = plant_and_test(source, build_dir, fault, args.test_timeout)
            seconds = time.time() - t0
            print(f"  {state}: {detail} ({seconds:.0f} s)", flush=True)
            results.append((fault.id, fault.layer, state, detail, f"{seconds:.0f} s", fault.why))
            write_results(out_path, results, head)
    except (KeyboardInterrupt, Interrupted):
        print("\ninterrupted: the planted file was put back", flush=True)
        head.append("INTERRUPTED: the table holds only the faults run before the stop")
        code = 130
    finally:
        # The last fault's objects are still in the build folder: bring it back to the sources.
        print("rebuilding the unchanged sources", flush=True)
        try:
            built, error = build(build_dir)
            if not built:
                print(f"warning: the final build failed: {error}", flush=True)
        except (KeyboardInterrupt, Interrupted):
            print("warning: final build interrupted; run cmake --build on the folder", flush=True)
            code = 130
    head.append(f"{len(results)} faults in {time.time() - started:.0f} s")
    write_results(out_path, results, head)
    print()
    print(format_table(results))
    print()
    print("\n".join(summary_lines(results)))
    return code


if __name__ == "__main__":
    sys.exit(main())
