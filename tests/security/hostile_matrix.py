#!/usr/bin/env python3
"""Hostile files at every path the everyday commands touch.

Runs the everyday commands of devicectl, backupctl and weatherctl (and the
service behind them) under strace -f, collects every path they open, create,
execute, bind or connect to under the device root and under the program tree,
then plants, one path at a time, each hostile variant there and runs the
commands that touched it again on a fresh device root:

  files:       a FIFO, a directory, a link to another user's file, a file of
               uid 65534, the file writable by group and others, a link to
               /dev/zero
  directories: made group-writable, made another user's (and, where the
               directory does not exist yet, the file variants)

Each run must end within 10 s per command, must not use what was planted (the
planted files carry marker values, a planted program touches a marker file:
none may show up in any output or file of the device), must leave the user's
data as it was, and a command that fails must name the planted path (on its
standard error or in the device log). Any service a run started is ended
before the next. Prints the matrix size and each failure.

Usage: hostile_matrix.py BUILD_DIR SOURCE_DIR [SANITIZE]
"""

import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
from concurrent.futures import ThreadPoolExecutor

OTHER_UID = 65534
MARK = "PLANTED7"
MARK_INT = 7777777
COMMAND_LIMIT = 10  # seconds per command
WORKERS = 2
SERVICE = "src/weather-backup-restore"
TOOLS = ("devicectl", "backupctl", "weatherctl")


def skip(reason):
    print(f"skipped: {reason}")
    sys.exit(77)


build, source = sys.argv[1], sys.argv[2]
sanitize = sys.argv[3] if len(sys.argv) > 3 else "OFF"
if sanitize == "ON":
    skip("the sanitizer build runs ten times slower: the matrix would not fit its time, "
         "and the normal build runs it")
if os.geteuid() != 0:
    skip("planting another user's files (uid 65534) needs root")
if shutil.which("strace") is None:
    skip("strace is not installed (scripts/install-deps.sh installs it)")

SAMPLE = os.path.join(source, "tools/weatherctl/samples/sample-cities.json")
work = tempfile.mkdtemp(prefix="weather-matrix-")
os.chmod(work, 0o755)
theirs_dir = os.path.join(work, "theirs")
os.mkdir(theirs_dir, 0o755)
os.chown(theirs_dir, OTHER_UID, OTHER_UID)


def make_tree(name):
    """A copy of the program tree of this build: the programs find it from
    their own place, so each worker plants in its own."""
    tree = os.path.join(work, name)
    for sub in ("src", "tools"):
        os.makedirs(os.path.join(tree, sub), 0o755)
    shutil.copy2(os.path.join(build, SERVICE), os.path.join(tree, SERVICE))
    for tool in TOOLS:
        shutil.copy2(os.path.join(build, "tools", tool), os.path.join(tree, "tools", tool))
    shutil.copytree(os.path.join(build, "res"), os.path.join(tree, "res"), symlinks=True)
    return tree


def env_for(root):
    return {"PATH": "/usr/bin:/bin", "HOME": os.path.join(work, "home"), "TZ": "UTC",
            "WEATHER_DEVICE_ROOT": root}


def run_command(tree, root, command, wrap=None):
    argv = [os.path.join(tree, "tools", command[0])] + command[1:]
    if wrap:
        argv = wrap + argv
    process = subprocess.Popen(argv, env=env_for(root), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               stdin=subprocess.DEVNULL, start_new_session=True)
    try:
        out, err = process.communicate(timeout=COMMAND_LIMIT if not wrap else 120)
        return process.returncode, out.decode(errors="replace"), err.decode(errors="replace"), False
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        out, err = process.communicate()
        return -9, out.decode(errors="replace"), err.decode(errors="replace"), True


def services_of(tree, root):
    """Processes of the tree that serve this root (the detached service)."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            exe = os.readlink(f"/proc/{pid}/exe")
            if not exe.startswith(tree + "/"):
                continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if f"WEATHER_DEVICE_ROOT={root}".encode() in f.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            continue
    return found


def end_services(tree, root, wait=0.0):
    """Ends what a run started; with `wait`, gives it that long to end itself."""
    deadline = time.monotonic() + wait
    while wait and services_of(tree, root) and time.monotonic() < deadline:
        time.sleep(0.05)
    left = services_of(tree, root)
    for pid in left:
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    deadline = time.monotonic() + 5
    while services_of(tree, root) and time.monotonic() < deadline:
        time.sleep(0.02)
    return left


# --- the everyday commands, in groups that share a starting state ---------

def groups(setting):
    return {
        "devicectl": ("empty", [["devicectl", "init"], ["devicectl", "show"],
                                ["devicectl", "key", "get", "db/menu_widget/language"],
                                ["devicectl", "key", "set", "db/test/matrix", "1"]]),
        "backupctl": ("baseline", [["backupctl", "info"], ["backupctl", "backup"], ["backupctl", "restore"],
                                   ["backupctl", "settings"], ["backupctl", "set", "tempUnit", setting]]),
        "weatherctl": ("baseline", [["weatherctl", "import", SAMPLE], ["weatherctl", "export"],
                                    ["weatherctl", "list"], ["weatherctl", "show"]]),
    }


def fresh_root(start, baseline, name):
    root = os.path.join(work, "runs", name)
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.dirname(root), 0o700, exist_ok=True)
    if start == "baseline":
        subprocess.run(["cp", "-a", baseline, root], check=True)
    return root


# --- tracing ---------------------------------------------------------------

TRACED = re.compile(r'^\d+\s+(open|openat|creat|mkdir|mkdirat|execve|bind|connect)\((?:AT_FDCWD, )?'
                    r'(?:\d+, \{sa_family=AF_UNIX, sun_path=)?"([^"]*)"(.*)$')


def trace(tree, root, commands):
    """Paths each command touches: {("root"|"tree", relative): is_directory}."""
    touched = {}
    log = os.path.join(work, "trace.txt")
    for command in commands:
        code, out, err, hung = run_command(tree, root, command,
                                           wrap=["strace", "-f", "-qq", "-s", "4096", "-o", log, "-e",
                                                 "trace=open,openat,creat,mkdir,mkdirat,execve,bind,connect"])
        if code != 0:
            raise SystemExit(f"FAIL: {' '.join(command)} fails without anything planted: {err.strip()}")
        with open(log, errors="replace") as f:
            for line in f:
                m = TRACED.match(line)
                if not m:
                    continue
                call, path, rest = m.groups()
                path = os.path.normpath(path)
                for kind, base in (("root", root), ("tree", tree)):
                    if path == base or path.startswith(base + "/"):
                        rel = os.path.relpath(path, base)
                        if re.search(r"\.[A-Za-z0-9]{6}$|/\.bind-\d+-\d+$|\.so(\.\d+)*$", "/" + rel):
                            continue  # a temporary name of its own, or the loader's
                        directory = call in ("mkdir", "mkdirat") or "O_DIRECTORY" in rest or os.path.isdir(path)
                        key = (kind, rel)
                        touched[key] = touched.get(key, False) or directory
    return touched


# --- what the user has, to tell a changed one ------------------------------

def read_table(db, table):
    """The rows without their row keys, which a rewrite renumbers."""
    try:
        connection = sqlite3.connect(f"file:{db}?mode=ro&immutable=1", uri=True)
        try:
            columns = [c[1] for c in connection.execute(f"PRAGMA table_info({table})") if not c[5]]
            return sorted(connection.execute(f"SELECT {', '.join(columns)} FROM {table}").fetchall(), key=repr)
        finally:
            connection.close()
    except sqlite3.Error as error:
        return f"unreadable: {error}"


DATA_DB = "apps/com.velurio.weather/shared/data/db/"


def snapshot(root, skip_path):
    """The user's settings, cities, system keys and backups, each with the file it lives in."""
    items = {}
    for name, table in ((".setting.db", "SETTING_TABLE"), (".weather.db", "CITY_TABLE")):
        path = os.path.join(root, DATA_DB, name)
        if skip_path and (skip_path in (path, path + "-journal") or path.startswith(skip_path + "/")):
            items[name] = None  # planted over: not the user's any more
        elif os.path.islink(path) or not os.path.isfile(path):
            items[name] = "missing"
        else:
            items[name] = read_table(path, table)
    keys = os.path.join(root, "vconf/keys.ini")
    if keys != skip_path and os.path.isfile(keys) and not os.path.islink(keys):
        with open(keys, errors="replace") as f:
            items["keys"] = re.sub(r"\[db/test/matrix\][^\[]*", "", f.read())
    backups = os.path.join(root, "cloud/backups")
    if os.path.isdir(backups) and not os.path.islink(backups):
        items["backups"] = set(os.listdir(backups))
    return items


def changed(before, after):
    for name, value in before.items():
        if value is None:
            continue
        if name == "backups":
            if not value <= after.get(name, set()):
                return f"backups {sorted(value - after.get(name, set()))} are gone"
        elif after.get(name) != value:
            return f"{name} changed"
    return ""


# --- planting --------------------------------------------------------------

def marked_content(path, original, program, marker_file):
    if program:
        return f"#!/bin/sh\ntouch {marker_file}\n".encode()
    if original is not None and original.startswith(b"SQLite format 3\0"):
        descriptor, copy = tempfile.mkstemp(dir=work, suffix=".db")
        with os.fdopen(descriptor, "wb") as f:
            f.write(original)
        connection = sqlite3.connect(copy)
        try:
            for (table,) in connection.execute("SELECT name FROM sqlite_master WHERE type='table' "
                                               "AND name NOT LIKE 'sqlite_%'").fetchall():
                for column in connection.execute(f"PRAGMA table_info({table})").fetchall():
                    kind = (column[2] or "").upper()
                    value = MARK_INT if "INT" in kind else MARK if "TEXT" in kind or "CHAR" in kind else None
                    if value is not None and not column[5]:  # row keys stay unique
                        connection.execute(f"UPDATE {table} SET {column[1]} = ?", (value,))
            connection.commit()
        finally:
            connection.close()
        with open(copy, "rb") as f:
            data = f.read()
        os.unlink(copy)
        return data
    extra = f"\n[{MARK}]\ntype=string\nvalue={MARK}\npackage={MARK}\nexecutable={marker_file}\n".encode()
    return (original or b"") + extra


FILE_VARIANTS = ("fifo", "directory", "link-to-theirs", "theirs", "writable", "link-to-zero")
DIR_VARIANTS = ("group-writable", "theirs-dir")


def variants_of(path, directory, exists):
    if directory and exists:
        return DIR_VARIANTS
    if directory:
        return DIR_VARIANTS + tuple(v for v in FILE_VARIANTS if v != "directory")
    return FILE_VARIANTS


def make_parents(directory):
    """Each missing level 0700, as the device makes them (makedirs gives the
    levels above the last the default mode)."""
    if os.path.isdir(directory):
        return
    make_parents(os.path.dirname(directory))
    os.mkdir(directory, 0o700)


def write(path, data, mode, owner):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, mode)
    with os.fdopen(fd, "wb") as f:
        f.write(data)
    os.chmod(path, mode)
    os.chown(path, owner, owner)


def plant(path, variant, program, marker_file, number):
    """Puts the variant at `path`; returns how to put things back."""
    make_parents(os.path.dirname(path))
    if variant in DIR_VARIANTS:
        if not os.path.isdir(path):
            os.mkdir(path, 0o700)
        info = os.lstat(path)
        if variant == "group-writable":
            os.chmod(path, (info.st_mode & 0o7777) | 0o070)
        else:
            os.chown(path, OTHER_UID, OTHER_UID)
        return lambda: (os.chmod(path, info.st_mode & 0o7777), os.chown(path, info.st_uid, info.st_gid))
    original = None
    aside = None
    if os.path.lexists(path):
        if os.path.isfile(path) and not os.path.islink(path):
            with open(path, "rb") as f:
                original = f.read()
        aside = path + ".matrix-aside"
        os.rename(path, aside)
    content = marked_content(path, original, program, marker_file)
    mode = 0o755 if program else 0o644
    if variant == "fifo":
        os.mkfifo(path, 0o600)
    elif variant == "directory":
        os.mkdir(path, 0o700)
    elif variant == "link-to-theirs":
        target = os.path.join(theirs_dir, f"file-{number}")
        write(target, content, mode, OTHER_UID)
        os.symlink(target, path)
    elif variant == "theirs":
        write(path, content, mode, OTHER_UID)
    elif variant == "writable":
        write(path, content, mode | 0o066, 0)
    elif variant == "link-to-zero":
        os.symlink("/dev/zero", path)

    def restore():
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path)
        elif os.path.lexists(path):
            os.unlink(path)
        if aside:
            os.rename(aside, path)
    return restore


def files_with_marker(root, planted):
    hits = []
    needles = (MARK.encode(), str(MARK_INT).encode())
    for directory, dirs, files in os.walk(root):
        for name in files:
            path = os.path.join(directory, name)
            if path == planted or path.startswith(planted + "/") or not os.path.isfile(path) or \
                    os.path.islink(path):
                continue
            try:
                with open(path, "rb") as f:
                    data = f.read()
            except OSError:
                continue
            if any(n in data for n in needles):
                hits.append(os.path.relpath(path, root))
            elif data.startswith(b"SQLite format 3\0"):
                # Values inside a page may be stored as integers.
                try:
                    connection = sqlite3.connect(f"file:{path}?mode=ro&immutable=1", uri=True)
                    for (table,) in connection.execute("SELECT name FROM sqlite_master WHERE type='table'"):
                        for row in connection.execute(f"SELECT * FROM {table}"):
                            if MARK_INT in row or MARK in row:
                                hits.append(os.path.relpath(path, root))
                                raise StopIteration
                    connection.close()
                except (sqlite3.Error, StopIteration):
                    pass
    return hits


# --- one run -----------------------------------------------------------------

def run_case(tree, baseline, group_list, commands_of, case_id, kind, rel, variant, directory):
    name = f"r{case_id}"
    start = "empty" if any(commands_of[g][0] == "empty" for g in group_list) else "baseline"
    root = fresh_root(start, baseline, name)
    base = root if kind == "root" else tree
    path = os.path.join(base, rel) if rel != "." else base
    marker_file = os.path.join(work, f"ran-{case_id}")
    program = kind == "tree" and rel == SERVICE
    before = snapshot(root, path) if start == "baseline" else {}
    restore = plant(path, variant, program, marker_file, case_id)
    failures = []
    outputs = []
    failed = []
    try:
        for group in group_list:
            for command in commands_of[group][1]:
                code, out, err, hung = run_command(tree, root, command)
                outputs.append(out + err)
                label = " ".join(c if c != SAMPLE else "cities.json" for c in command)
                if hung:
                    failures.append(("hang", f"{label} still ran after {COMMAND_LIMIT} s"))
                    continue
                if code != 0:
                    failed.append(f"{label} ({code}): {err.strip()[:160]}")
        # A refusal names the path: on a command's output or in the device log.
        log = os.path.join(root, "log/device.log")
        logged = ""
        if failed and os.path.isfile(log) and not os.path.islink(log):
            with open(log, errors="replace") as f:
                logged = f.read()
        # Paths are named as the programs build them ("dir//file" is the file).
        said = re.sub("/+", "/", "\n".join(outputs) + logged)
        if failed and path not in said:
            failures.append(("unnamed", "failed without naming the path: " + "; ".join(failed)))
    finally:
        left = end_services(tree, root)
        restore()
    if left:
        failures.append(("service", f"service {left} still ran after the commands"))
    if os.path.exists(marker_file):
        failures.append(("use", "the planted program ran"))
        os.unlink(marker_file)
    if any(MARK in o or str(MARK_INT) in o for o in outputs):
        failures.append(("use", "a planted value shows in the output"))
    hits = files_with_marker(root, path)
    if hits:
        failures.append(("use", f"a planted value shows in {hits}"))
    if start == "baseline":
        why = changed(before, snapshot(root, path))
        if why:
            failures.append(("data", why))
    shutil.rmtree(root, ignore_errors=True)
    return failures


def main():
    started = time.monotonic()
    trees = [make_tree(f"tree{w}") for w in range(WORKERS)]
    tree = trees[0]
    # The baseline: a device that has run every command once.
    baseline = os.path.join(work, "baseline")
    for command in (["devicectl", "init"], ["backupctl", "info"], ["weatherctl", "import", SAMPLE],
                    ["backupctl", "backup"]):
        code, out, err, hung = run_command(tree, baseline, command)
        if code != 0:
            raise SystemExit(f"FAIL: baseline {' '.join(command)}: {err.strip()}")
    end_services(tree, baseline, wait=5)
    connection = sqlite3.connect(f"file:{os.path.join(baseline, DATA_DB, '.setting.db')}?mode=ro", uri=True)
    setting = str(connection.execute("SELECT TemperatureUnit FROM SETTING_TABLE").fetchone()[0])
    connection.close()
    commands_of = groups(setting)

    # Which paths each group touches, traced from its starting state.
    touched_by = {}
    kinds = {}
    for group, (start, commands) in commands_of.items():
        root = fresh_root(start, baseline, f"trace-{group}")
        before = snapshot(root, "")
        for key, directory in trace(tree, root, commands).items():
            touched_by.setdefault(key, []).append(group)
            kinds[key] = kinds.get(key, False) or directory
        if start == "baseline":
            why = changed(before, snapshot(root, ""))
            if why:
                raise SystemExit(f"FAIL: the {group} commands change the user's data without a plant: {why}")
        end_services(tree, root, wait=5)
        shutil.rmtree(root, ignore_errors=True)
    # The tools themselves are what the user runs: not planted.
    for tool in TOOLS:
        touched_by.pop(("tree", f"tools/{tool}"), None)

    cases = []
    for (kind, rel), group_list in sorted(touched_by.items()):
        exists = False
        start = "empty" if any(commands_of[g][0] == "empty" for g in group_list) else "baseline"
        if kind == "tree":
            exists = os.path.lexists(os.path.join(tree, rel))
        elif start == "baseline":
            exists = os.path.lexists(os.path.join(baseline, rel))
        for variant in variants_of(rel, kinds[(kind, rel)], exists):
            cases.append((kind, rel, variant, kinds[(kind, rel)], group_list))
    paths = len(touched_by)
    print(f"matrix: {paths} paths x their variants = {len(cases)} runs "
          f"({sum(1 for k in touched_by if k[0] == 'root')} under the device root, "
          f"{sum(1 for k in touched_by if k[0] == 'tree')} in the program tree)", flush=True)

    failures = []
    lock = threading.Lock()
    free = list(range(WORKERS))

    def one(index_case):
        index, (kind, rel, variant, directory, group_list) = index_case
        with lock:
            worker = free.pop()
        try:
            found = run_case(trees[worker], baseline, group_list, commands_of, index, kind, rel, variant,
                             directory)
        except Exception as error:  # a broken run is a failure, not a crash of the matrix
            found = [("error", repr(error))]
        finally:
            with lock:
                free.append(worker)
        if found:
            with lock:
                for what, text in found:
                    failures.append((what, kind, rel, variant, text))
                    print(f"FAIL [{what}] {kind}:{rel} as {variant}: {text}", flush=True)

    with ThreadPoolExecutor(max_workers=WORKERS) as pool:
        list(pool.map(one, enumerate(cases)))
    counts = {what: sum(1 for f in failures if f[0] == what)
              for what in ("hang", "use", "data", "unnamed", "service", "error")}
    print(f"matrix: {len(cases)} runs over {paths} paths in {time.monotonic() - started:.0f} s: "
          f"{counts['hang']} hangs, {counts['use']} uses, {counts['data']} changed data, "
          f"{counts['unnamed']} refusals not naming the path, {counts['service']} services left running, "
          f"{counts['error']} broken runs")
    shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    finally:
        shutil.rmtree(work, ignore_errors=True)
