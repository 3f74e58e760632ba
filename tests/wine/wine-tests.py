#!/usr/bin/env python3
"""End-to-end tests of the Windows agent under Wine.

usage: wine-tests.py SORVENNA_EXE STAND_IN_SPOOLER [PLATFORM_TESTS_EXE]

Makes a fresh Wine prefix in a temporary folder (graphics driver "null", so
that dialogs are made without a display), lays out the install folder, the
settings file, the spool folder and a scripted print queue, and runs the
agent once per case while this script plays the consumer: it waits for the
request file, looks at the spool copy, and takes the request by deleting the
file. The queue is served by the stand-in spooler, loaded in place of Wine's
own ("winspool.drv=n"), which also records whether a window of the agent was
visible whenever the agent called it.

PLATFORM_TESTS_EXE, when given, is the GoogleTest program of the Windows
platform layer; it runs first, in the same prefix.

Prints one line per check and closes with "N passed, N failed"; the exit
status is 1 when a check failed.
"""

import os
import random
import re
import shutil
import signal
import subprocess
import sys

from checks import Checks
import tempfile
import time

INSTALL_ROOT = "Agent"  # C:\Agent\ is the install root
INSTALL_FOLDER = INSTALL_ROOT + "/Xtra/Prerequisite/rodo/vivaz/bin"
AGENT = "C:\\Agent\\Xtra\\Prerequisite\\rodo\\vivaz\\bin\\Sorvenna.exe"
SPOOL_FOLDER = "C:\\windows\\System32\\spool\\PRINTERS\\"
QUEUE = "C:\\tests\\queue.txt"
SPOOLER_REPORT = "C:\\tests\\spooler.txt"
HEADER = b"DATE\tTIME\tMODULE\tPROCEDURE\tDESCRIPTION\r\n"

# Debian's wine package gives "wine" and "wineserver"; wine64 alone has the programs themselves.
WINE = shutil.which("wine") or "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"

AGENT_LIMIT = 60  # seconds; far beyond a run that works, well before the agent's own time-out
WINE_DEBUG = os.environ.get("SORVENNA_WINEDEBUG", "-all")


def spool_bytes(seed, size):
    generator = random.Random(seed)
    return bytes(generator.getrandbits(8) for _ in range(size))


# What each case lays out and what it expects.
#   arguments: the agent's command line, which it ignores
#   settings: the content of <root>\Settings.ini, or None for no file
#   settings_beside_agent: a Settings.ini in the agent's own folder (must be ignored)
#   queue: jobs (id, status, owner, document) of "Print to Sorvenna"; None: no such printer
#   spool: files of the spool folder (name, content, age in seconds); a name ending in "/" is a folder
#   old_copy: a spool copy left by an earlier run
#   leftover: the content of a request file left by an earlier job of the same owner
#   request: the request file (below drive C:) and the content the consumer expects
#   copy: the expected spool copy; None for no spool copy
#   log: the expected descriptions of the day's log lines; None for no log file
CASES = [
    {
        "name": "capture of a printing job",
        "settings": "[Settings]\r\nDEBUG=1\r\n",
        "queue": [(5, 0x18, "user0", "Still spooling"), (12, 0x10, "user1", "Invoice*12")],
        "spool": [("00005.SPL", b"job 5", 10), ("00012.SPL", spool_bytes(12, 70000), 5)],
        "request": ("Sorvenna/user1/user1.txt", b"Invoice12"),
        "copy": spool_bytes(12, 70000),
        "log": ["JobID : " + SPOOL_FOLDER + "00012.SPL", "Selected : " + SPOOL_FOLDER + "00012.SPL"],
    },
    {
        "name": "retained printing job, request left over, earlier spool copy, arguments given",
        "arguments": ["/restart", "C:\\elsewhere\\Settings.ini"],
        "settings": "[Settings]\r\nDEBUG=2\r\n",
        "queue": [(123456, 0x2010, "user2", "Quarterly report")],
        "spool": [("123456.SPL", spool_bytes(123456, 3000), 5)],
        "old_copy": b"an earlier job",
        "leftover": b"Earlier",
        "request": ("Sorvenna/user2/user2.txt", b"EarlierQuarterly report"),
        "copy": spool_bytes(123456, 3000),
        "log": ["JobID : " + SPOOL_FOLDER + "123456.SPL", "Selected : " + SPOOL_FOLDER + "123456.SPL"],
    },
    {
        "name": "no printer, debug level 0",
        "settings": "[Settings]\r\nDEBUG=0\r\n",
        "queue": None,
        "spool": [("00012.SPL", b"another job", 5)],
        "request": ("Sorvenna/.txt", b""),
        "copy": None,
        "log": None,
    },
    {
        "name": "fallback search of the spool folder",
        "settings": "[Settings]\r\nDEBUG=1\r\n",
        "queue": [(77, 0x10, "user3", "Letter")],
        "spool": [("00070.SPL", spool_bytes(70, 5000), 600), ("00060.SPL", b"too old", 9000),
                  ("00090.SPL", b"from the future", -3600), ("folder.SPL/", None, 300)],
        "request": ("Sorvenna/user3/user3.txt", b"Letter"),
        # The search's choice, most likely another job's file, is only reported:
        # the copy stays with the job's own file, which is missing.
        "copy": None,
        "log": ["JobID : " + SPOOL_FOLDER + "00077.SPL", "new selection " + SPOOL_FOLDER + "00070.SPL",
                "Selected : " + SPOOL_FOLDER + "00077.SPL"],
    },
    {
        "name": "no settings file, empty spool folder",
        "settings": None,
        "settings_beside_agent": "[Settings]\r\nDEBUG=1\r\n",
        "queue": [(12, 0x10, "user1", "Doc")],
        "spool": [],
        "old_copy": b"an earlier job",
        "request": ("Sorvenna/user1/user1.txt", b"Doc"),
        "copy": None,
        "log": None,
    },
]


class Wine:
    """A fresh prefix, its own wine server kept running until close()."""

    def __init__(self, folder):
        self.prefix = os.path.join(folder, "prefix")
        os.makedirs(self.prefix)
        self.environment = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG=WINE_DEBUG, WINEARCH="win64",
                                WINEDLLOVERRIDES="mscoree=;mshtml=")
        if not shutil.which("wine"):
            self.environment["WINELOADER"] = WINE  # the loader itself, which the wrapper would name
        self.environment.pop("DISPLAY", None)
        self.environment.pop("WAYLAND_DISPLAY", None)
        subprocess.run([WINESERVER, "-p"], env=self.environment, check=True)
        subprocess.run([WINE, "wineboot", "--init"], env=self.environment, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([WINE, "reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/d", "null",
                        "/f"], env=self.environment, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        # The desktop that start-up made has no driver: a new server, and
        # with it a new desktop, takes the null driver.
        subprocess.run([WINESERVER, "-k"], env=self.environment, check=True)
        subprocess.run([WINESERVER, "-w"], env=self.environment, check=True)
        subprocess.run([WINESERVER, "-p"], env=self.environment, check=True)
        self.drive_c = os.path.join(self.prefix, "drive_c")

    def host(self, windows_path):
        """The host path of a path on drive C: written with "/" or "\\"."""
        relative = windows_path.replace("\\", "/")
        if relative[:3].upper() == "C:/":
            relative = relative[3:]
        return os.path.join(self.drive_c, *[part for part in relative.split("/") if part])

    def folder(self, windows_path):
        """The host folder of a path that Wine resolves without regard to letter case."""
        current = self.drive_c
        for part in [p for p in windows_path.replace("\\", "/")[3:].split("/") if p]:
            matches = [name for name in os.listdir(current) if name.lower() == part.lower()]
            current = os.path.join(current, matches[0] if matches else part)
            os.makedirs(current, exist_ok=True)
        return current

    def start(self, program, arguments, errors, **variables):
        """Starts program; its error output goes to the file errors (not a pipe, which the
        wine processes it starts would keep open)."""
        environment = dict(self.environment, **variables)
        environment["WINEDLLOVERRIDES"] = "winspool.drv=n;mscoree=;mshtml="
        with open(errors, "wb") as error_file:
            return subprocess.Popen([WINE, program] + arguments, env=environment, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=error_file)

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.environment, stderr=subprocess.DEVNULL)


def read(path):
    try:
        with open(path, "rb") as source:
            return source.read()
    except OSError:
        return None


def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as target:
        target.write(content)


def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.lexists(path):
        os.remove(path)


def log_lines(wine, days):
    """The lines of the day's log file, for whichever of the days has one."""
    for day in days:
        content = read(wine.host("C:\\Sorvenna\\LOG\\invoice-spool_%s.log" % time.strftime("%Y%m%d", day)))
        if content is not None:
            return content
    return None


def run_case(wine, case, agent, spooler, checks):
    name = case["name"]
    print("--- %s" % name)
    install = wine.host(INSTALL_FOLDER)
    spool_folder = wine.folder(SPOOL_FOLDER)

    # The world as the case needs it, nothing left from the case before.
    for path in (wine.host("C:\\Sorvenna"), wine.host("C:\\tests"), wine.host(INSTALL_ROOT + "/Xtra/Sorvenna.dat"),
                 wine.host(INSTALL_ROOT + "/Settings.ini"), os.path.join(install, "Settings.ini")):
        remove(path)
    for entry in os.listdir(spool_folder):
        remove(os.path.join(spool_folder, entry))
    os.makedirs(install, exist_ok=True)
    shutil.copy(agent, os.path.join(install, "Sorvenna.exe"))
    shutil.copy(spooler, os.path.join(install, "winspool.drv"))
    os.makedirs(wine.host("C:\\tests"))
    if case["settings"] is not None:
        write(wine.host(INSTALL_ROOT + "/Settings.ini"), case["settings"].encode("ascii"))
    if case.get("settings_beside_agent") is not None:
        write(os.path.join(install, "Settings.ini"), case["settings_beside_agent"].encode("ascii"))
    if case["queue"] is not None:
        lines = ["%d\t%#x\t%s\t%s\n" % job for job in case["queue"]]
        write(wine.host(QUEUE), ("# scripted queue\n" + "".join(lines)).encode("ascii"))
    now = time.time()
    for entry_name, content, age in case["spool"]:
        path = os.path.join(spool_folder, entry_name.rstrip("/"))
        if entry_name.endswith("/"):
            os.makedirs(path)
        else:
            write(path, content)
        # Wine reports a file's last change as its creation time.
        os.utime(path, (now - age, now - age))
    if "old_copy" in case:
        write(wine.host(INSTALL_ROOT + "/Xtra/Sorvenna.dat"), case["old_copy"])
    request_path, request_content = case["request"]
    request = wine.host(request_path)
    if "leftover" in case:
        write(request, case["leftover"])

    days = [time.localtime()]
    errors_file = os.path.join(os.path.dirname(wine.prefix), "agent-errors.txt")
    agent_process = wine.start(AGENT, case.get("arguments", []), errors_file, SORVENNA_TEST_QUEUE=QUEUE,
                               SORVENNA_TEST_SPOOLER_REPORT=SPOOLER_REPORT)

    # The consumer: waits for the request, then takes it by deleting its file.
    deadline = time.monotonic() + AGENT_LIMIT
    seen = None
    while time.monotonic() < deadline and agent_process.poll() is None:
        seen = read(request)
        if seen == request_content:
            break
        time.sleep(0.02)
    copy_when_requested = read(wine.host(INSTALL_ROOT + "/Xtra/Sorvenna.dat"))
    checks.expect("%s: request file %s holds the document name" % (name, request_path), seen, request_content)
    remove(request)
    taken = time.monotonic()

    try:
        status = agent_process.wait(timeout=max(deadline - time.monotonic(), 5))
    except subprocess.TimeoutExpired:
        agent_process.kill()
        status = agent_process.wait()
        print("          the agent did not end; stopped")
    ended = time.monotonic()
    errors = (read(errors_file) or b"").decode("utf-8", "replace").strip()
    days.append(time.localtime())

    checks.expect("%s: exit code" % name, status, 0)
    checks.expect("%s: the agent stays a second after the request is taken" % name, ended - taken >= 0.9, True)

    checks.expect("%s: spool copy when the request appeared" % name, copy_when_requested, case["copy"])

    checks.expect("%s: log folder exists" % name, os.path.isdir(wine.host("C:\\Sorvenna\\LOG")), True)
    content = log_lines(wine, days)
    if case["log"] is None:
        checks.expect("%s: no log file" % name, content, None)
    else:
        checks.expect("%s: log starts with its header line" % name, (content or b"")[:len(HEADER)], HEADER)
        lines = (content or b"")[len(HEADER):].split(b"\r\n")
        fields = [line.split(b"\t") for line in lines if line]
        pattern = re.compile(rb"^\d\d-\d\d-\d{4}\t\d\d:\d\d:\d\d\tSpool\tLoadSpoolFile\t")
        checks.expect("%s: log lines are date, time, Spool, LoadSpoolFile, description" % name,
                      all(pattern.match(line) for line in lines if line) and (content or b"").endswith(b"\r\n"),
                      True)
        checks.expect("%s: log descriptions" % name, [f[-1].decode("latin-1") for f in fields], case["log"])
        dates = {time.strftime("%m-%d-%Y", day).encode() for day in days}
        checks.expect("%s: log lines carry today's date" % name, all(f[0] in dates for f in fields), True)

    report = (read(wine.host(SPOOLER_REPORT)) or b"").decode("latin-1").splitlines()
    opened = "1" if case["queue"] is not None else "0"
    checks.expect("%s: the agent opens the printer by name, without defaults" % name,
                  [line.split(" windows=")[0] for line in report[:1]],
                  ['OpenPrinterA name="Print to Sorvenna" defaults=null opened=%s' % opened])
    if case["queue"] is not None:
        calls = [line.split(" ")[0] for line in report]
        checks.expect("%s: spooler calls" % name, calls,
                      ["OpenPrinterA", "GetPrinterA", "GetPrinterA", "EnumJobsA", "EnumJobsA", "ClosePrinter"])
    visible = [int(re.search(r" visible=(\d+)", line).group(1)) for line in report]
    dialogs = [int(re.search(r" dialogs=(\d+)", line).group(1)) for line in report]
    checks.expect("%s: no window of the agent visible during the run" % name, bool(visible) and max(visible) == 0,
                  True)
    checks.expect("%s: the hidden main dialog exists during the run" % name, bool(dialogs) and min(dialogs) == 1,
                  True)
    if errors and checks.failed:
        print("          the agent's error output: %s" % errors[-2000:])


def run_platform_tests(wine, program, checks):
    print("--- the Windows platform layer and dialog shell (GoogleTest)")
    errors_file = os.path.join(os.path.dirname(wine.prefix), "platform-tests.txt")
    with open(errors_file, "wb") as output:
        status = subprocess.run([WINE, program], env=wine.environment, stdin=subprocess.DEVNULL, stdout=output,
                                stderr=subprocess.STDOUT, timeout=AGENT_LIMIT).returncode
    report = (read(errors_file) or b"").decode("utf-8", "replace")
    summary = [line for line in report.splitlines() if line.startswith("[  PASSED  ]") or "FAILED" in line]
    for line in summary:
        print("          %s" % line)
    if not checks.expect("platform tests under Wine", status, 0):
        print(report[-4000:])


def main(arguments):
    if len(arguments) not in (3, 4):
        sys.stderr.write(__doc__)
        return 2
    agent, spooler = (os.path.abspath(path) for path in arguments[1:3])
    platform_tests = os.path.abspath(arguments[3]) if len(arguments) == 4 else None
    # Stopped from outside: still end the prefix's wine server and remove the prefix.
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(128 + number))
    sys.stdout.reconfigure(line_buffering=True)
    checks = Checks()
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="sorvenna-wine-") as folder:
        wine = Wine(folder)
        try:
            print("Wine prefix ready after %.1f s" % (time.monotonic() - started))
            if platform_tests is not None:
                run_platform_tests(wine, platform_tests, checks)
            for case in CASES:
                run_case(wine, case, agent, spooler, checks)
        finally:
            wine.close()
    print("Wine tests took %.1f s" % (time.monotonic() - started))
    print("%d passed, %d failed" % (checks.passed, checks.failed))
    return 0 if checks.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
