"""Python side of the UI driver (tests/uidriver) for tests that drive
Windows programs under the Wine harness.

    driver = Driver(build)                  # build folder, harness started
    driver.send("start", program, "arg")    # words quoted for the driver
    window = driver.send("wait", "window", f"title={title}")
    entries = driver.send_list("sysmenu")   # every line of a listing
    driver.close()

`run_script(build, lines)` runs a whole script at once and returns what the
driver printed. A session (`Driver`) feeds one command at a time, so a test
can act between them: take a screenshot while a program works, change a
file, look at the disk."""
import os
import queue
import subprocess
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
RUN = os.path.join(HERE, "run")
HARNESS = os.path.join(HERE, "harness")

# Commands that print nothing when they succeed; MENUS print only when they
# list (no word after the command).
SILENT = {"timeout", "cd", "start", "click", "close", "key", "type", "set", "pick", "kill", "drop",
          "hover", "press"}
MENUS = {"sysmenu", "popup"}


def windows_path(path):
    """A Unix path as Windows programs under Wine see it (drive Z: is /)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def quote(word):
    """One word of a command, quoted as the driver reads it."""
    if word and not any(c in word for c in ' \t"\\'):
        return word
    return '"' + word.replace("\\", "\\\\").replace('"', '\\"') + '"'


def unquote(text):
    """The driver prints texts in double quotes with \\ and \" escaped."""
    text = text.strip()
    if text.startswith('"') and text.endswith('"'):
        text = text[1:-1]
    return text.replace('\\"', '"').replace("\\\\", "\\")


def driver_program(build):
    return os.path.join(build, "bin", "uidriver.exe")


def run_script(build, lines, timeout=600):
    """Runs the driver on a whole script; returns its lines (a `fail` line
    when it did not run at all). Its output goes through files: programs it
    starts inherit its handles and may outlive it."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        subprocess.run([RUN, build, driver_program(build)], input="\n".join(lines).encode(),
                       stdout=out, stderr=err, timeout=timeout)
        out.seek(0)
        result = out.read().decode(errors="replace").replace("\r", "").splitlines()
        if not result:
            err.seek(0)
            result = ["fail " + err.read().decode(errors="replace").strip()]
        return result


def screenshot(build, name):
    """Saves the harness's screen as BUILD/screenshots/NAME.png."""
    subprocess.run([HARNESS, "shot", build, name], check=True, timeout=60)


class DriverError(AssertionError):
    pass


class Driver:
    """A driver session: every command is sent as it comes and the line it
    prints (if any) is returned; a failed command raises DriverError with
    the driver's reason."""

    def __init__(self, build, timeout=120):
        self.timeout = timeout
        self.errors = tempfile.TemporaryFile()
        # Standard error goes to a file, not a pipe: the programs the driver
        # starts inherit it and may outlive the driver.
        self.process = subprocess.Popen([RUN, build, driver_program(build)],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self.errors)
        self.lines = queue.Queue()
        threading.Thread(target=self._pump, daemon=True).start()

    def _pump(self):
        for line in self.process.stdout:
            self.lines.put(line.decode(errors="replace").rstrip("\r\n"))
        self.lines.put(None)

    def send(self, command, *words):
        """Runs `command` with `words` quoted, or a whole command line when
        no words are given. Returns the printed line, None for silent ones."""
        line = " ".join([command] + [quote(w) for w in words])
        self.process.stdin.write((line + "\n").encode())
        self.process.stdin.flush()
        words = line.split()
        if words[0] in SILENT or (words[0] in MENUS and len(words) > 1):
            return None
        try:
            printed = self.lines.get(timeout=self.timeout)
        except queue.Empty:
            raise DriverError(f"the UI driver printed nothing for {line!r}")
        if printed is None or printed.startswith("fail "):
            self.errors.seek(0)
            reason = self.errors.read().decode(errors="replace").strip()
            raise DriverError(f"{line!r}: {printed or 'the driver ended'} {reason}".strip())
        return printed

    def send_list(self, command, *words):
        """Runs a command that prints a line per item (`controls`, `items`,
        `sysmenu`, `popup`) and returns all its lines. A `title` sent after it
        marks where they end: no listing line starts with "title"."""
        first = self.send(command, *words)
        self.process.stdin.write(b"title\n")
        self.process.stdin.flush()
        lines = [first]
        while True:
            try:
                printed = self.lines.get(timeout=self.timeout)
            except queue.Empty:
                raise DriverError(f"the UI driver did not finish listing {command!r}")
            if printed is None or printed.startswith("fail "):
                raise DriverError(f"{command!r}: {printed or 'the driver ended'}")
            if printed.startswith("title "):
                return lines
            lines.append(printed)

    def close(self):
        """Ends the session (what the driver started keeps running)."""
        if self.process.poll() is None:
            self.process.stdin.close()
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
        self.errors.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
