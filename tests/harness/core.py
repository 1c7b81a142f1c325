"""Failures, waiting with a deadline, and the processes a test starts."""

import os
import shutil
import signal
import subprocess
import sys
import threading
import time
import traceback

# How long any awaited state may take to show. Generous on purpose: CI may run on a loaded
# machine, and a state that is known in advance costs nothing to wait for when it comes early.
PATIENCE = 180


# DRAVIK_TEST_NICE=N runs every program a test starts at niceness N: beside a CPU hog of normal
# priority (scripts/test --under-load) the programs under test then get a small share of a core,
# the proof that no wait depends on how fast they are.
NICENESS = os.environ.get("DRAVIK_TEST_NICE", "")
SLOWED = ["nice", "-n", NICENESS] if NICENESS else []


class Failure(Exception):
    """A check that did not hold; the message says what was expected."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(what, probe, timeout=PATIENCE, interval=0.05):
    """probe() until it answers something other than None; that answer. what names the state
    awaited, for the failure message."""
    deadline = time.monotonic() + timeout
    while True:
        answer = probe()
        if answer is not None:
            return answer
        if time.monotonic() > deadline:
            raise Failure(f"waited {timeout} s for {what}")
        time.sleep(interval)


def wait_exit(process, what, timeout=PATIENCE):
    """The exit code of process, which must end within timeout after what happened."""
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure(f"waited {timeout} s for the program to end after {what}") from None


def run_program(args, timeout=PATIENCE, **kwargs):
    """args run to their end: the exit code, and stdout and stderr as text."""
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout, **kwargs)


def without_display(*more):
    """This process's environment with no display to reach, and without the names in more."""
    gone = ("DISPLAY", "WAYLAND_DISPLAY", *more)
    return {name: value for name, value in os.environ.items() if name not in gone}


def fresh_folder(path):
    """path made afresh, empty."""
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def descendants(pid):
    """Every process below pid, by the kernel's lists of children."""
    found = []
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return found
    for task in tasks:
        try:
            with open(f"/proc/{pid}/task/{task}/children") as children:
                listed = children.read().split()
        except OSError:
            continue
        for child in map(int, listed):
            found += [child, *descendants(child)]
    return found


class Processes:
    """The processes one case started; stop_all ends each of them, and what they started, by
    process id, the last started first."""

    def __init__(self):
        self.started = []
        self.lock = threading.Lock()

    def start(self, args, gentle=False, **kwargs):
        """gentle: end it with SIGTERM first (Xvfb removes its lock file then)."""
        process = subprocess.Popen(SLOWED + list(args), **kwargs)
        with self.lock:
            self.started.append((process, gentle))
        return process

    def stop_all(self):
        with self.lock:
            started, self.started = self.started, []
        for process, gentle in reversed(started):
            if process.poll() is None and gentle:
                process.terminate()
                try:
                    process.wait(timeout=10)
                    continue
                except subprocess.TimeoutExpired:
                    pass
            for pid in [*descendants(process.pid), process.pid]:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            process.wait()


def run_cases(cases, work, lanes):
    """work(name, arg) for each (name, arg) of cases, lanes at a time. A case that raises fails
    alone: its message (with the traceback of anything but a Failure) is kept and the others
    go on. Answers (results, failures), each a dict by case name."""
    pending = list(cases)
    results, failures = {}, {}
    lock = threading.Lock()

    def lane():
        while True:
            with lock:
                if not pending:
                    return
                name, arg = pending.pop(0)
            try:
                results[name] = work(name, arg)
            except Failure as failure:
                failures[name] = str(failure)
            except Exception:  # noqa: BLE001 - any fault of one case is that case's failure
                failures[name] = traceback.format_exc()

    threads = [threading.Thread(target=lane) for _ in range(max(1, min(lanes, len(pending))))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return results, failures


def main(run):
    """Runs run() as a test program: exit code 0 when it returns, 1 with the message on a
    Failure. A SIGTERM (CTest's timeout) unwinds, so that every process is still ended."""
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        run()
    except Failure as failure:
        print(f"FAIL: {failure}", flush=True)
        return 1
    return 0
