# SPDX-License-Identifier: MIT
"""End-to-end harness: runs the built program on a private X server and acts as a user would.

What it needs on the machine (all installed by scripts/deps.sh): Xvfb, openbox, xdotool for
the pointer and the keys, python3-xlib for reading windows, xprop (x11-utils), sqlite3, trayer
(a tray host), xmodmap (x11-xserver-utils) for typing characters that are not on the keyboard,
Pillow (python3-pil) for screenshots, and for finding the program's controls by their
accessible names (Desktop.control): dbus-daemon, at-spi2-core and python3-pyatspi.

A `Desktop` is one private X session: Xvfb on a free display, openbox, optionally trayer, a
temporary HOME with XDG folders, and a folder holding a copy of the program with its own
Quillet.mdb. Every process it starts runs in its own process group and is ended on close().

Environment:
  QUILLET_BIN       folder with the built quillet, quillet-makedb and libupdate.so
  QUILLET_E2E_KEEP  when set, the temporary folder is kept (its path is printed)
"""

import atexit
import ctypes
import functools
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import Xlib.error
import Xlib.X
import Xlib.protocol.event

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_BIN = os.path.normpath(os.path.join(HERE, "..", "..", "build", "bin"))

REQUIRED_TOOLS = ("Xvfb", "openbox", "xdotool", "xprop", "sqlite3")


# The program's window captions, as patterns for Desktop.search: a note, the main window (its
# tray icon shares the caption), the exit question and the note editor.
NOTE_NAME = "^Quillet$"
MAIN_NAME = "^Quillet-4862$"
QUESTION_NAME = "^确定退出$"
EDITOR_NAME = "^添加Quillet$"
# The editor's content box and its button 保存并关闭, by their accessible names.
CONTENT = "便签内容"
SAVE_AND_CLOSE = "保存并关闭"

# The program writes to its error stream only what went wrong: a test fails on any line it did
# not declare with Desktop.expect_output, apart from these (regexes, each matching a whole line).
EXPECTED_EVERYWHERE = (
    # Every session points the program's site at a closed port (QUILLET_SITE_URL in
    # Desktop.env), so the advertisement page and the update list are never fetched, and the
    # program logs both.
    r"quillet\.controls: The page http://127\.0\.0\.1:9/\S* is not shown: .*",
    r"quillet\.update: the update check of http://127\.0\.0\.1:9/\S* ended without a "
    r"question: the list could not be fetched: .*",
)


def bin_dir():
    return os.environ.get("QUILLET_BIN") or DEFAULT_BIN


def rgb(colour):
    """A stored 0x00BBGGRR colour as (r, g, b)."""
    return (colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF)


def missing_tools(extra=()):
    return [t for t in tuple(REQUIRED_TOOLS) + tuple(extra) if shutil.which(t) is None]


def wait_until(predicate, timeout=10.0, interval=0.05, what="condition"):
    """Polls predicate until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def wait_steady(read, interval, timeout=10.0, what="condition"):
    """Polls read() until two readings interval seconds apart agree; returns the reading."""
    last = []

    def same():
        now = read()
        if last == [now]:
            return True
        last[:] = [now]
        return False
    wait_until(same, timeout, interval, what=what)
    return last[0]


def _die_with_parent():
    """In the child, before exec: be killed when the harness dies, however it dies."""
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG; the X server cleans up on TERM
    except (OSError, AttributeError):
        pass


_LIVE = set()


@atexit.register
def _close_all():
    for desktop in list(_LIVE):
        desktop.close()


def sql_quote(text):
    return "'" + str(text).replace("'", "''") + "'"


class Geometry:
    """A window's absolute position and size on the screen."""

    def __init__(self, x, y, width, height):
        self.x, self.y, self.width, self.height = x, y, width, height

    @property
    def centre(self):
        return (self.x + self.width // 2, self.y + self.height // 2)

    def contains(self, x, y):
        return self.x <= x < self.x + self.width and self.y <= y < self.y + self.height

    def __eq__(self, other):
        return isinstance(other, Geometry) and self.tuple() == other.tuple()

    def tuple(self):
        return (self.x, self.y, self.width, self.height)

    def __repr__(self):
        return "Geometry(x=%d, y=%d, w=%d, h=%d)" % self.tuple()


class Image:
    """An RGB screenshot: pixel(x, y) gives (r, g, b). Wraps a Pillow image."""

    def __init__(self, picture):
        self.picture = picture.convert("RGB")
        self.width, self.height = self.picture.size

    def pixel(self, x, y):
        return self.picture.getpixel((x, y))

    def colours(self, geometry):
        """The set of colours inside a rectangle (clipped to the screen)."""
        box = (max(0, geometry.x), max(0, geometry.y),
               min(self.width, geometry.x + geometry.width),
               min(self.height, geometry.y + geometry.height))
        if box[0] >= box[2] or box[1] >= box[3]:
            return set()
        return {colour for _, colour in self.picture.crop(box).getcolors(box[2] * box[3])}

    @staticmethod
    def open(path):
        """An image file (PNG and the other formats Pillow reads)."""
        from PIL import Image as Picture  # only the screenshot checks need Pillow
        with Picture.open(path) as picture:
            return Image(picture)


# ---- the program's controls found by their accessible names (AT-SPI) ----------------

READER = os.path.join(HERE, "atspi_reader.py")
ACCESSIBILITY_BUS = "/usr/share/dbus-1/services/org.a11y.Bus.service"  # from at-spi2-core


@functools.lru_cache(maxsize=None)
def atspi_python():
    """A Python with pyatspi. Debian installs it for the system's Python only, which need not be
    the one running the tests."""
    for python in dict.fromkeys((sys.executable, "/usr/bin/python3")):
        if python and os.path.exists(python) and subprocess.run(
                [python, "-c", "import pyatspi"], capture_output=True).returncode == 0:
            return python
    return None


def accessibility_missing():
    """What is missing to read the program over AT-SPI, or None when nothing is."""
    if shutil.which("dbus-daemon") is None or not os.path.exists(ACCESSIBILITY_BUS) \
            or atspi_python() is None:
        return "needs dbus-daemon, at-spi2-core and python3-pyatspi"
    return None


def nodes(node):
    """Every node of an accessibility tree, depth first."""
    yield node
    for child in node["children"]:
        yield from nodes(child)


def showing(node):
    box = node.get("extents")
    return "showing" in node["states"] and box is not None and box[2] > 0 and box[3] > 0


class Desktop:
    """One private X session with the program's folder, database and home."""

    def __init__(self, tray=True, screen="1280x800x24", bin_folder=None, window_manager=True,
                 scale=None, accessible=False):
        """tray: start a tray host with the session; window_manager: start openbox (without
        it, windows place, move and size themselves); scale: the program's QT_SCALE_FACTOR;
        accessible: start a session bus, and run the program with its accessibility bridge on
        it, so that its controls can be found by name (control)."""
        self.bin = os.path.abspath(bin_folder or bin_dir())
        self.root = tempfile.mkdtemp(prefix="quillet-e2e-")
        self.home = os.path.join(self.root, "home")
        self.app_dir = os.path.join(self.root, "app")
        self.db = os.path.join(self.app_dir, "Quillet.mdb")
        self.want_tray = tray
        self.want_wm = window_manager
        self.scale = scale
        self.accessible = accessible
        self.bus = None
        self.screen = screen
        self.display = None
        self.procs = {}  # name -> Popen
        self.logs = {}  # name -> log path
        self.app = None
        self.expected_output = [re.compile(p) for p in EXPECTED_EVERYWHERE]
        for sub in ("", ".config", ".local/share", ".cache", "runtime"):
            os.makedirs(os.path.join(self.home, sub), exist_ok=True)
        os.chmod(os.path.join(self.home, "runtime"), 0o700)
        os.makedirs(self.app_dir)
        _LIVE.add(self)

    # ---- environment -------------------------------------------------------------------

    def env(self, **extra):
        """The environment of every process in the session: nothing of the real user's."""
        keep = ("PATH", "LANG", "LC_ALL", "TZ")
        env = {k: os.environ[k] for k in keep if k in os.environ}
        env.setdefault("LANG", "C.UTF-8")
        env.update(
            HOME=self.home,
            XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
            XDG_DATA_HOME=os.path.join(self.home, ".local/share"),
            XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
            XDG_RUNTIME_DIR=os.path.join(self.home, "runtime"),
            # No session bus: the tray icon uses the XEmbed protocol, and nothing talks to
            # the real user's desktop services.
            DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(self.root, "no-bus"),
            NO_AT_BRIDGE="1",
            QT_ACCESSIBILITY="0",
            QT_QPA_PLATFORM="xcb",
            QUILLET_SITE_URL="http://127.0.0.1:9",
        )
        if self.display:
            env["DISPLAY"] = self.display
        if self.scale is not None:
            env["QT_SCALE_FACTOR"] = str(self.scale)
        env.update(extra)
        return env

    def _spawn(self, name, argv, cwd=None, **popen):
        log = os.path.join(self.root, name + ".log")
        self.logs[name] = log
        with open(log, "ab") as out:
            proc = subprocess.Popen(argv, cwd=cwd or self.root, env=popen.pop("env", None)
                                    or self.env(), stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, start_new_session=True,
                                    preexec_fn=_die_with_parent, **popen)
        self.procs[name] = proc
        return proc

    def log(self, name):
        try:
            with open(self.logs[name], "rb") as f:
                return f.read().decode("utf-8", "replace")
        except (KeyError, OSError):
            return ""

    # ---- the X session -----------------------------------------------------------------

    def start(self):
        """Xvfb, then (if asked) openbox, then (if asked) trayer. A session starts once: a
        second X server would leave the harness reading the first."""
        if self.display:
            raise RuntimeError("the session on %s is already started" % self.display)
        try:
            self._start_xvfb()
            if self.want_wm:
                self._start_openbox()
            if self.want_tray:
                self.start_tray()
            if self.accessible:
                self.start_session_bus()
        except BaseException:
            self.close()
            raise
        return self

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        try:
            self._spawn("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                 self.screen, "-nolisten", "tcp", "-noreset"],
                        pass_fds=(write_end,))
        finally:
            os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        with os.fdopen(read_end, "rb", buffering=0) as pipe:
            while not number.endswith(b"\n"):
                if time.monotonic() > deadline or self.procs["xvfb"].poll() is not None:
                    raise RuntimeError("Xvfb did not start:\n" + self.log("xvfb"))
                chunk = pipe.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb closed its display pipe:\n" + self.log("xvfb"))
                number += chunk
        self.display = ":" + number.decode().strip()
        wait_until(lambda: self._run(["xprop", "-root", "_NET_NOTHING"], check=False)
                   .returncode == 0, what="the X server")

    def _start_openbox(self):
        self._spawn("openbox", ["openbox", "--sm-disable"])
        wait_until(lambda: self.property(self.x.screen().root.id, "_NET_SUPPORTING_WM_CHECK"),
                   what="openbox")

    def start_tray(self, attempts=3):
        """Starts trayer on the bottom edge, right-aligned; returns its window."""
        if shutil.which("trayer") is None:
            raise unittest.SkipTest("trayer is not installed")
        # A tray host that maps its panel while the window manager is still starting up is
        # sometimes never managed: its panel stays unmapped. Start it again in that case.
        for attempt in range(attempts):
            proc = self._spawn("trayer", ["trayer", "--edge", "bottom", "--align", "right",
                                          "--widthtype", "request", "--height", "24",
                                          "--SetDockType", "true", "--transparent", "false",
                                          "--expand", "true"])
            try:
                # trayer sets no _NET_WM_PID; its panel has the class ("panel", "trayer").
                self.tray_window = wait_until(
                    lambda: proc.poll() is None and self.search(cls="^trayer$",
                                                                classname="^panel$"),
                    timeout=4, what="the tray host")[0]
                return self.tray_window
            except TimeoutError as e:
                error = "%s (exit status %s)\n%s" % (e, proc.poll(), self.log("trayer"))
                self._stop("trayer")
        raise RuntimeError(error)

    def start_session_bus(self):
        """Starts a private D-Bus session bus for the session; returns its address. Services it
        starts on demand (such as the accessibility bus) are its children, in its process group,
        and end with it on close(). Only processes given the address (env) use it. A session
        has one bus: asked again, it returns the same address."""
        if self.bus is not None:
            return self.bus
        socket = os.path.join(self.root, "session-bus")
        address = "unix:path=" + socket
        self._spawn("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                             "--address=" + address],
                    env=self.env(DBUS_SESSION_BUS_ADDRESS=address))
        wait_until(lambda: os.path.exists(socket) or self.procs["dbus"].poll() is not None,
                   what="the session bus")
        if self.procs["dbus"].poll() is not None:
            raise RuntimeError("dbus-daemon did not start:\n" + self.log("dbus"))
        self.bus = address
        return address

    # ---- the program -------------------------------------------------------------------

    def install(self, notes=()):
        """Copies the program into the session's folder and creates its database.

        notes: dicts with content, and optionally back (colour), font (colour), visual.
        Returns the ids given to the notes, in order."""
        for name in ("quillet", "libupdate.so"):
            source = os.path.join(self.bin, name)
            if os.path.exists(source):
                shutil.copy2(source, os.path.join(self.app_dir, name))
        if not os.path.exists(os.path.join(self.app_dir, "quillet")):
            raise RuntimeError("no program in " + self.bin)
        return self.make_database(notes)

    def make_database(self, notes=()):
        """Creates Quillet.mdb beside the program with quillet-makedb and adds the notes."""
        made = self._run([os.path.join(self.bin, "quillet-makedb"), self.db], check=False)
        if made.returncode != 0:
            raise RuntimeError("quillet-makedb failed: " + made.stdout + made.stderr)
        return [self.add_note(**n) for n in notes]

    def add_note(self, content, back=0xFFFFFF, font=0, visual=1, when="2026-12-01 09:00:00"):
        self.sql("INSERT INTO Tips(content,CreateTime,ChangeTime,Deleted,BackColor,FontColor,"
                 "Visual,TopMost,Transparent) Values(%s, %s, %s, '0', '%d', '%d', '%d', '0', "
                 "'0')" % (sql_quote(content), sql_quote(when), sql_quote(when), back, font,
                           visual))
        return int(self.sql("SELECT max(ID) AS id FROM Tips")[0]["id"])

    def launch(self, *args, env=None):
        """Starts the program from its folder; returns its process. env: variables to add to
        (or change in) the session's environment for the program alone."""
        self.app = self._spawn("quillet", [os.path.join(self.app_dir, "quillet"), *args],
                               cwd=self.root, env=self.env(**{**self.accessibility_env(),
                                                              **(env or {})}))
        return self.app

    def start_again(self, *args, timeout=15.0):
        """Starts the program once more from its folder while it runs; returns the exit status
        of that start. The running program stays `app`."""
        again = self._spawn("quillet-again", [os.path.join(self.app_dir, "quillet"), *args],
                            cwd=self.root)
        return again.wait(timeout)

    def expect_output(self, *patterns):
        """Declares lines the program is expected to print (regexes, each matching a whole
        line)."""
        self.expected_output += [re.compile(p) for p in patterns]

    def unexpected_output(self):
        """The lines the program printed (both streams) that nobody declared."""
        return [line for line in self.log("quillet").splitlines() if line.strip() and
                not any(p.fullmatch(line) for p in self.expected_output)]

    def wait_exit(self, timeout=10.0):
        """The program's exit status, once it has ended."""
        return self.app.wait(timeout)

    def sql(self, query):
        """Runs a statement on the program's database with the sqlite3 tool; rows as dicts."""
        out = self._run(["sqlite3", "-json", "-cmd", ".timeout 5000", self.db, query]).stdout
        return json.loads(out) if out.strip() else []

    # ---- windows -----------------------------------------------------------------------

    def xdotool(self, *args, check=True):
        return self._run(["xdotool", *map(str, args)], check=check).stdout

    @property
    def x(self):
        """The harness's own connection to the session's X server (python3-xlib)."""
        if getattr(self, "_x", None) is None:
            from Xlib import display as xdisplay  # only X sessions need it
            self._x = xdisplay.Display(self.display)
        return self._x

    def _window(self, wid):
        return self.x.create_resource_object("window", int(wid))

    def _text(self, wid, name):
        """A text property (UTF-8 or Latin-1) of a window, or None when unset."""
        prop = self._window(wid).get_full_property(self.x.intern_atom(name), Xlib.X.AnyPropertyType)
        if prop is None:
            return None
        value = prop.value if isinstance(prop.value, bytes) else bytes(prop.value)
        try:
            return value.decode("utf-8")
        except UnicodeDecodeError:
            return value.decode("latin-1")

    def _all_windows(self):
        """Every window below the root, parents before their children."""
        found, todo = [], [self.x.screen().root]
        while todo:
            try:
                children = todo.pop().query_tree().children
            except Xlib.error.BadWindow:  # gone while it was looked at
                continue
            found += [c.id for c in children]
            todo += children
        return found

    def search(self, name=None, cls=None, classname=None, pid=None, visible=True):
        """Window ids matching every given criterion: name (WM_NAME) and classes are regexes,
        matched regardless of case; visible: viewable windows only."""
        def matches(wid):
            if visible and not self.is_viewable(wid):
                return False
            if pid is not None:
                prop = self._window(wid).get_full_property(
                    self.x.intern_atom("_NET_WM_PID"), Xlib.X.AnyPropertyType)
                if prop is None or int(prop.value[0]) != int(pid):
                    return False
            if name is not None and not re.search(name, self._search_name(wid), re.I):
                return False
            if cls is not None or classname is not None:
                wm_class = self._window(wid).get_wm_class() or ("", "")
                if classname is not None and not re.search(classname, wm_class[0], re.I):
                    return False
                if cls is not None and not re.search(cls, wm_class[1], re.I):
                    return False
            return True

        result = []
        for wid in self._all_windows():
            try:
                if matches(wid):
                    result.append(wid)
            except (Xlib.error.BadWindow, Xlib.error.BadDrawable):
                continue
        return result

    def wait_windows(self, count, timeout=15.0, **criteria):
        """Waits until exactly count windows match; returns their ids."""
        found = []

        def ready():
            found[:] = self.search(**criteria)
            return len(found) == count

        try:
            wait_until(ready, timeout, what="%d window(s) matching %r" % (count, criteria))
        except TimeoutError as e:
            raise AssertionError("%s; found %d\n--- program log:\n%s" % (
                e, len(found), self.log("quillet"))) from None
        return list(found)

    def geometry(self, wid):
        """Where the window is on the screen, its border included (as xwininfo has it)."""
        window = self._window(wid)
        size = window.get_geometry()
        at = self.x.screen().root.translate_coords(window, -size.border_width,
                                                   -size.border_width)
        return Geometry(at.x, at.y, size.width, size.height)

    def is_viewable(self, wid):
        try:
            return self._window(wid).get_attributes().map_state == Xlib.X.IsViewable
        except (Xlib.error.BadWindow, Xlib.error.BadDrawable):
            return False

    def window_name(self, wid):
        """The window's title: _NET_WM_NAME, else WM_NAME."""
        return self._text(wid, "_NET_WM_NAME") or self._text(wid, "WM_NAME") or ""

    def _search_name(self, wid):
        """The name search matches: the title of a window with a WM_NAME, else nothing (the
        tray icon has an empty WM_NAME and the program's name as _NET_WM_NAME). Chinese
        WM_NAMEs are in compound text: the title is read from _NET_WM_NAME."""
        return self.window_name(wid) if self._text(wid, "WM_NAME") else ""

    def property(self, wid, name):
        """A window property: atoms as their names, 8-bit data as text (a list of texts where
        NULs separate several, as in WM_CLASS), other data as a list of numbers; None when the
        window has no such property."""
        prop = self._window(wid).get_full_property(self.x.intern_atom(name), Xlib.X.AnyPropertyType)
        if prop is None:
            return None
        if prop.property_type == self.x.intern_atom("ATOM"):
            return [self.x.get_atom_name(atom) for atom in prop.value]
        if prop.format == 8:
            text = self._text(wid, name)
            return text.rstrip("\0").split("\0") if "\0" in text else text
        return list(prop.value)

    # ---- pointer and keyboard ----------------------------------------------------------

    def pointer(self):
        """Where the pointer is: (x, y)."""
        out = self.xdotool("getmouselocation", "--shell")
        field = dict(line.split("=", 1) for line in out.split())
        return int(field["X"]), int(field["Y"])

    def move(self, x, y):
        # `mousemove --sync` waits for the pointer to move, for many seconds when it is
        # already there: skip the move then.
        if getattr(self, "_last_move", None) == (int(x), int(y)) and \
                self.pointer() == (int(x), int(y)):
            return
        self.xdotool("mousemove", "--sync", int(x), int(y))
        self._last_move = (int(x), int(y))

    def click(self, x, y, button=1):
        self.move(x, y)
        self.xdotool("click", button)

    def drag(self, start, end, button=1, steps=8, pause=0.03):
        """Presses at start, moves in steps to end, releases there.

        Each step waits until the program under the pointer, and the window manager it may
        have handed the drag to, have handled the one before: a move or resize the program
        passes to the window manager starts where the pointer is when it does, and a release
        that came first would leave the window manager moving the window on. Where the
        window under the pointer cannot be asked (a nested compositor's window), the steps
        are paced by pause seconds instead."""
        self.move(*start)
        target = self.window_under_pointer()

        def handled(pauses=1):
            if not self.sync_input(target):
                time.sleep(pause * pauses)

        handled()
        self.xdotool("mousedown", button)
        handled(3)
        (x0, y0), (x1, y1) = start, end
        for i in range(1, steps + 1):
            self.move(x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
            handled(3 if i == steps else 1)
        self.xdotool("mouseup", button)
        self.sync_input(target)

    def key(self, *keys, window=None):
        argv = ["key", "--clearmodifiers"]
        if window is not None:
            argv += ["--window", window]
        self.xdotool(*argv, *keys)

    def type(self, text, delay_ms=20):
        """Types text, Chinese included.

        For a character missing from the keyboard map, xdotool maps a spare key, presses it
        and takes the mapping back at once; a Qt client often reads the map only after it was
        taken back and drops the character. With xmodmap at hand, the characters are instead
        put on spare keys before typing starts, as many at a time as there are spare keys.
        Every map change makes the client reload its keyboard map, so it may answer the next
        action a second or two late: wait for outcomes with wait_until, not a fixed pause."""
        spare = self._spare_keys() if shutil.which("xmodmap") else []
        if not spare:
            for run in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]", text):
                if run.isascii():
                    self.xdotool("type", "--delay", delay_ms, "--", run)
                else:
                    self.xdotool("type", "--delay", 100, "--", run)
                    self._sync_focus(0.15)
            return
        for chunk in self._chunks(text, len(spare)):
            self._map_keys([c for c in dict.fromkeys(chunk) if not c.isascii()], spare)
            for run in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]+", chunk):
                if run.isascii():
                    self.xdotool("type", "--delay", delay_ms, "--", run)
                else:
                    self.xdotool("key", "--delay", delay_ms, *("U%04X" % ord(c) for c in run))
            if not chunk.isascii():
                # The client reads the keys with the map it has when it gets to them: it has
                # them all before the map changes again or the user moves on.
                self._sync_focus(0.5)

    @staticmethod
    def _chunks(text, keys):
        """Splits text into pieces with at most `keys` distinct non-ASCII characters each."""
        chunk, foreign = "", set()
        for c in text:
            if not c.isascii() and c not in foreign and len(foreign) == keys:
                yield chunk
                chunk, foreign = "", set()
            if not c.isascii():
                foreign.add(c)
            chunk += c
        if chunk:
            yield chunk

    def _spare_keys(self):
        """Key codes with nothing on them in the session's original keyboard map."""
        if not hasattr(self, "_spare"):
            table = self._run(["xmodmap", "-pke"]).stdout
            self._spare = [int(k) for k in re.findall(r"^keycode\s+(\d+)\s*=\s*$", table,
                                                      re.M)]
            self._mapped = {}
        return self._spare

    def _map_keys(self, characters, spare):
        """Puts the characters on spare keys, unless they are there already."""
        if all(c in self._mapped for c in characters):
            return
        self._mapped = dict(zip(characters, spare))
        argv = ["xmodmap"]
        for character, keycode in self._mapped.items():
            argv += ["-e", "keycode %d = U%04X" % (keycode, ord(character))]
        self._run(argv)
        self._sync_focus(0.5)  # clients read the new map when they are told of the change

    def activate(self, wid, timeout=10.0):
        """Makes wid the window with the keyboard focus and returns once the X server says it
        has it, so that keys typed next reach it even while the machine is busy. Asks again
        while it has not: a request made while the window manager is still mapping the window
        can be dropped."""
        def focused():
            if self.want_wm:
                self.xdotool("windowactivate", "--sync", wid, check=False)
            else:  # nobody to ask: give the window the keyboard focus directly
                self.xdotool("windowfocus", "--sync", wid, check=False)
            return self.xdotool("getwindowfocus", check=False).strip() == str(wid)
        wait_until(focused, timeout, interval=0.1, what="the keyboard focus on window %d" % wid)

    def wm_state(self, wid):
        """The window's WM_STATE: "Normal", "Iconic", "Withdrawn", or None when unset."""
        prop = self._window(wid).get_full_property(self.x.intern_atom("WM_STATE"),
                                                   Xlib.X.AnyPropertyType)
        states = {0: "Withdrawn", 1: "Normal", 3: "Iconic"}
        return states.get(int(prop.value[0])) if prop is not None and len(prop.value) else None

    # ---- controls by their accessible names (AT-SPI) ----------------------------------

    def accessibility_env(self):
        """What the program needs to run with its accessibility bridge on the session's bus
        (nothing for a session that is not accessible)."""
        if not self.accessible:
            return {}
        return dict(DBUS_SESSION_BUS_ADDRESS=self.start_session_bus(), QT_ACCESSIBILITY="1",
                    QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")

    def accessible_tree(self):
        """The program's accessibility tree as atspi_reader.py prints it, or None while the
        program is not on the bus."""
        reader = self._atspi_reader()
        reader.stdin.write("tree %d\n" % self.app.pid)
        reader.stdin.flush()
        if not select.select([reader.stdout], [], [], 60)[0]:
            self._stop("atspi-reader")
            raise AssertionError("the AT-SPI reader gave no answer in 60 s:\n"
                                 + self.log("atspi-reader"))
        answer = reader.stdout.readline()
        if not answer:
            self._stop("atspi-reader")
            raise AssertionError("the AT-SPI reader ended:\n" + self.log("atspi-reader"))
        return json.loads(answer)

    def _atspi_reader(self):
        """The session's reader (atspi_reader.py serve): one process answers every query, as
        a Python start with pyatspi costs more than reading a tree."""
        if not self.accessible:
            raise RuntimeError("the program runs without its accessibility bridge: make the "
                               "Desktop with accessible=True (DesktopTestCase.accessible)")
        reader = self.procs.get("atspi-reader")
        if reader is None or reader.poll() is not None:
            log = self.logs["atspi-reader"] = os.path.join(self.root, "atspi-reader.log")
            with open(log, "ab") as errors:
                reader = self.procs["atspi-reader"] = subprocess.Popen(
                    [atspi_python(), READER, "serve"], cwd=self.root,
                    env=self.env(DBUS_SESSION_BUS_ADDRESS=self.bus), stdin=subprocess.PIPE,
                    stdout=subprocess.PIPE, stderr=errors, text=True, start_new_session=True,
                    preexec_fn=_die_with_parent)
        return reader

    def _in_window(self, tree, window):
        """The nodes of the program's window (an X window id), or of all its windows: the
        window's node is the top-level object with the window's place on the screen."""
        if window is None:
            return list(nodes(tree))
        place = list(self.geometry(window).tuple())
        return [n for top in tree["children"] if top["extents"] == place for n in nodes(top)]

    def _wait_place(self, pick, what, window, states, timeout):
        """Polls the tree until pick(nodes of the window) gives showing nodes in the states,
        all at one place; returns that place as a Geometry."""
        seen = {}

        def found():
            tree = self.accessible_tree()
            scope = self._in_window(tree, window) if tree is not None else []
            seen.update(tree=tree is not None, scope=scope, picked=pick(scope))
            places = {tuple(n["extents"]) for n in seen["picked"]
                      if showing(n) and set(states) <= set(n["states"])}
            if len(places) > 1:
                raise AssertionError("%s is at %d places: %s" % (what, len(places), places))
            return Geometry(*places.pop()) if places else None

        try:
            return wait_until(found, timeout, interval=0.2, what=what)
        except TimeoutError as e:
            if not seen.get("tree"):
                raise AssertionError("%s: the program is not on the accessibility bus\n"
                                     "--- program log:\n%s" % (e, self.log("quillet"))) from None
            names = sorted({"%s (%s)" % (n["name"], n["role"]) for n in seen["scope"]
                            if n["name"] and showing(n)})
            raise AssertionError("%s; found: %s; the showing names%s: %s" % (
                e, [(n["extents"], n["states"]) for n in seen["picked"]] or "nothing",
                "" if window is None else " in window %d" % window,
                ", ".join(names))) from None

    def control(self, name, role=None, window=None, states=(), timeout=20.0):
        """Where the program's control with that accessible name is on the screen, from its
        AT-SPI extents, once it is there and showing (and in the AT-SPI states given, such as
        "focused"). name: the exact name, or a compiled regex it matches in full; role: an
        AT-SPI role name ("push button", "text", "label" ...); window: an X window of the
        program to look in. Fails, naming what it saw, when no such control shows in time or
        when controls with the name show in more than one place."""
        def pick(scope):
            return [n for n in scope if (role is None or n["role"] == role) and (
                name.fullmatch(n["name"]) if isinstance(name, re.Pattern) else n["name"] == name)]
        return self._wait_place(pick, "the control %r%s" % (
            name, "" if role is None else " (%s)" % role), window, states, timeout)

    def uncovered(self, wid):
        """Whether no other viewable window lies over any part of the window (the X server's
        stacking order; a window just raised may still have to paint itself)."""
        root = self.x.screen().root
        top = self._window(wid)
        while top.query_tree().parent.id != root.id:  # the window manager's frame, if any
            top = top.query_tree().parent
        stack = [w.id for w in root.query_tree().children]  # bottom first
        g = self.geometry(wid)
        for above in stack[stack.index(top.id) + 1:]:
            if self.is_viewable(above):
                o = self.geometry(above)
                if o.x < g.x + g.width and g.x < o.x + o.width and \
                        o.y < g.y + g.height and g.y < o.y + o.height:
                    return False
        return True

    def cell(self, table, row, column, window=None, states=(), timeout=20.0):
        """Where a cell of the program's table (a list, by its accessible name) is on the
        screen, as control finds a control: row counts from 0 in the order shown; column is
        the column's header."""
        def pick(scope):
            return [c for n in scope if n["name"] == table for c in n.get("cells", ())
                    if c["row"] == row and c["column"] == column]
        return self._wait_place(pick, "row %d, column %s of %s" % (row, column, table), window,
                                states, timeout)

    # ---- screen ------------------------------------------------------------------------

    def screenshot(self, path=None):
        """Grabs the whole screen; saves it to path (PNG) when given; returns an Image."""
        from PIL import ImageGrab  # only the screenshot checks need Pillow
        image = Image(ImageGrab.grab(xdisplay=self.display))
        if path:
            image.picture.save(path, "PNG")
        return image

    # ---- waits: conditions in place of fixed pauses --------------------------------------
    #
    # The program and the window manager each handle the events the X server gives them in the
    # order it gave them. A request they answer only when they get to it is therefore a round
    # trip through them: once it is answered, whatever reached them before (a key that opens a
    # menu, a motion the program hands over to the window manager, a change of the key map)
    # has been handled. Each wait uses a connection of its own (a few milliseconds), listening
    # to the root window, so that its answers never mix with the queries.

    def _round_trips(self, exchanges, what, timeout):
        """For each (send, answered) in turn: runs send(connection), then waits until
        answered(event) holds for an event of that connection. An X error on its requests (a
        window gone meanwhile) is raised."""
        from Xlib import display as xdisplay  # only X sessions need it
        errors = []
        conn = xdisplay.Display(self.display)
        conn.set_error_handler(lambda error, request: errors.append(error))
        deadline = time.monotonic() + timeout
        try:
            # Answers to pings come to the root window, with one of these two masks.
            conn.screen().root.change_attributes(
                event_mask=Xlib.X.StructureNotifyMask | Xlib.X.SubstructureNotifyMask)
            for send, answered in exchanges:
                send(conn)
                conn.flush()
                while not any(answered(conn.next_event()) for _ in range(conn.pending_events())):
                    if errors:
                        raise RuntimeError("no answer while waiting for %s: %s"
                                           % (what, errors[0]))
                    left = deadline - time.monotonic()
                    if left <= 0:
                        raise TimeoutError("timed out after %.1f s waiting for %s"
                                           % (timeout, what))
                    select.select([conn], [], [], left)
        finally:
            conn.close()

    def answers_ping(self, wid):
        """Whether the client of window wid takes part in _NET_WM_PING (Qt's windows do)."""
        try:
            prop = self._window(wid).get_full_property(self.x.intern_atom("WM_PROTOCOLS"),
                                                       Xlib.X.AnyPropertyType)
        except (Xlib.error.BadWindow, Xlib.error.BadDrawable):
            return False
        return prop is not None and self.x.intern_atom("_NET_WM_PING") in prop.value

    def sync_client(self, wid, timeout=10.0):
        """Returns once the client that made window wid has handled every event the X server
        gave it before, and what these events made it post to itself.

        Pings the window three times, one after the other. Qt answers a ping as it reads it,
        and delivers input read with it right afterwards: the second answer comes after that
        delivery (and what it sent at once, such as a move handed to the window manager), the
        third after the event loop has also run what the delivery posted."""
        def ping(serial):
            def send(conn):
                message = Xlib.protocol.event.ClientMessage(
                    window=wid, client_type=conn.intern_atom("WM_PROTOCOLS"),
                    data=(32, [conn.intern_atom("_NET_WM_PING"), Xlib.X.CurrentTime, wid,
                               serial, 0]))
                conn.send_event(wid, message)  # no event mask: to the window's client

            def answered(e):  # the answer goes to the root window, with the ping's data
                return isinstance(e, Xlib.protocol.event.ClientMessage) and \
                    list(e.data[1][2:4]) == [wid, serial]
            return send, answered

        self._pings = getattr(self, "_pings", 0) + 3
        self._round_trips([ping(self._pings - n) for n in (2, 1, 0)],
                          "the answers to pings of window %d" % wid, timeout)

    def sync_wm(self, timeout=10.0):
        """Returns once the window manager has handled every event the X server gave it
        before (at once when there is none): asks it for the frame extents of a window of
        the harness's, which it answers in turn by setting them."""
        if not self.want_wm:
            return
        probe = []

        def send(conn):
            root = conn.screen().root
            probe.append(root.create_window(0, 0, 1, 1, 0, Xlib.X.CopyFromParent,
                                            event_mask=Xlib.X.PropertyChangeMask))
            probe.append(conn.intern_atom("_NET_FRAME_EXTENTS"))
            ask = Xlib.protocol.event.ClientMessage(
                window=probe[0], client_type=conn.intern_atom("_NET_REQUEST_FRAME_EXTENTS"),
                data=(32, [0] * 5))
            root.send_event(ask, event_mask=Xlib.X.SubstructureRedirectMask
                            | Xlib.X.SubstructureNotifyMask)

        def answered(e):
            return isinstance(e, Xlib.protocol.event.PropertyNotify) and \
                e.window == probe[0] and e.atom == probe[1]

        self._round_trips([(send, answered)], "the window manager's answer", timeout)

    def window_under_pointer(self):
        """The innermost window under the pointer: the one a click goes to."""
        window, found = self.x.screen().root, None
        while True:
            child = window.query_pointer().child
            if not child:
                return found
            window, found = child, child.id

    def sync_input(self, wid):
        """Returns once the program of window wid, then the window manager, have handled the
        input given so far: what the program handed on to the window manager included. False
        (at once) when the window's client cannot be asked."""
        if wid is None or not self.answers_ping(wid):
            return False
        self.sync_client(wid)
        self.sync_wm()
        return True

    def settled(self, wid, interval=0.05, timeout=10.0):
        """The window's geometry once the program and the window manager have handled the
        input so far and two readings interval seconds apart agree."""
        self.sync_input(wid)
        return wait_steady(lambda: self.geometry(wid), interval, timeout,
                           what="window %d to stay in place" % wid)

    def menus(self, pid):
        """The viewable popups (menus) of process pid: its override-redirect windows on the
        root window, tool tips left out (its tray icon is not on the root window)."""
        tip = self.x.intern_atom("_NET_WM_WINDOW_TYPE_TOOLTIP")
        root = self.x.screen().root
        found = []
        for wid in self.search(pid=pid):
            window = self._window(wid)
            try:
                if not window.get_attributes().override_redirect or \
                        window.query_tree().parent != root:
                    continue
                kind = window.get_full_property(self.x.intern_atom("_NET_WM_WINDOW_TYPE"),
                                                Xlib.X.AnyPropertyType)
            except (Xlib.error.BadWindow, Xlib.error.BadDrawable):  # gone meanwhile
                continue
            if kind is None or tip not in kind.value:
                found.append(wid)
        return found

    def open_menu(self, pid, action, timeout=10.0):
        """Runs action (a key or click that opens a menu of process pid) and returns the new
        menu's window once it is shown. Keys pressed next reach the menu: the toolkit has
        made it the active popup, with the keyboard grabbed, before the window was shown."""
        before = set(self.menus(pid))
        action()
        return wait_until(lambda: [w for w in self.menus(pid) if w not in before], timeout,
                          what="a menu of process %d" % pid)[0]

    # Qt's double-click interval (no desktop settings here change it) and distance, in pixels.
    DOUBLE_CLICK_TIME = 0.4
    DOUBLE_CLICK_DISTANCE = 5

    def menu_at(self, pid, x, y, button=3):
        """Clicks at x, y (the right button) and returns the menu of process pid it opens. A
        press near the previous one with the same button, within the double-click interval,
        is a double click to the toolkit and opens no menu: what remains of the interval is
        let pass first, as a person would."""
        last = getattr(self, "_last_menu_click", None)
        if last is not None and last[2] == button and \
                max(abs(last[0] - x), abs(last[1] - y)) <= self.DOUBLE_CLICK_DISTANCE:
            time.sleep(max(0.0, last[3] + self.DOUBLE_CLICK_TIME + 0.05 - time.monotonic()))
        menu = self.open_menu(pid, lambda: self.click(x, y, button))
        self._last_menu_click = (x, y, button, time.monotonic())
        return menu

    def pick(self, menu, key):
        """Presses an item's key in the open menu; returns once the menu has closed."""
        self.key(key)
        wait_until(lambda: not self.is_viewable(menu), what="the menu to close on " + key)

    def _sync_focus(self, fallback):
        """Waits until the client with the keyboard focus has handled the keys given so far;
        where it cannot be asked (a nested compositor's window), lets fallback seconds pass."""
        focus = self.x.get_input_focus().focus
        if isinstance(focus, int) or not self.answers_ping(focus.id):  # None or PointerRoot
            time.sleep(fallback)  # nobody to ask: give the client time
        else:
            self.sync_client(focus.id)

    # ---- teardown ----------------------------------------------------------------------

    def _stop(self, name):
        """Ends a process and everything else in its process group (what a bus started on
        demand, say), with SIGKILL for what is still there after 3 s."""
        proc = self.procs.pop(name, None)
        if proc is None:
            return
        for stream in (proc.stdin, proc.stdout):  # the AT-SPI reader's pipes
            if stream is not None:
                stream.close()

        def ended():
            if proc.poll() is None:
                return False
            try:
                os.killpg(proc.pid, 0)
                return False
            except ProcessLookupError:
                return True

        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(proc.pid, sig)
            except ProcessLookupError:
                pass
            try:
                wait_until(ended, timeout=3, interval=0.02, what="the end of " + name)
                return
            except TimeoutError:
                pass

    def close(self):
        """Ends every process of the session, the program first, the X server last."""
        _LIVE.discard(self)
        if getattr(self, "_x", None) is not None:
            self._x.close()
            self._x = None
        for name in reversed(list(self.procs)):
            self._stop(name)
        if os.environ.get("QUILLET_E2E_KEEP"):
            print("kept", self.root)
        else:
            shutil.rmtree(self.root, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    # ---- helpers -----------------------------------------------------------------------

    def _run(self, argv, check=True, binary=False):
        result = subprocess.run(argv, env=self.env(), stdin=subprocess.DEVNULL,
                                capture_output=True, text=not binary, timeout=30)
        if check and result.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (" ".join(map(str, argv)),
                                                         result.returncode, result.stderr))
        return result


def check_program_output(test, desktop):
    """Fails the test when the program printed a line nobody declared. The program is stopped
    first, so that what it prints on its way out counts too."""
    desktop._stop("quillet")
    lines = desktop.unexpected_output()
    if lines:
        test.fail("the program printed what no test expects:\n" + "\n".join(lines))


class DesktopTestCase(unittest.TestCase):
    """A test with its own Desktop (started in setUp, closed in tearDown)."""

    tray = True
    window_manager = True
    scale = None
    screen = "1280x800x24"
    accessible = False  # the program runs with its accessibility bridge: see Desktop.control

    def setUp(self):
        missing = missing_tools()
        if missing:
            self.skipTest("missing tools: " + ", ".join(missing))
        if self.accessible and accessibility_missing():
            self.skipTest(accessibility_missing())
        self.desktop = Desktop(tray=self.tray, window_manager=self.window_manager,
                               scale=self.scale, screen=self.screen,
                               accessible=self.accessible)
        self.addCleanup(self.desktop.close)
        self.addCleanup(check_program_output, self, self.desktop)  # runs before close
        self.desktop.start()

    # ---- finding the program's windows -------------------------------------------------

    def in_tray(self, wid):
        """Whether a window sits inside the tray host's panel (the program's tray icon)."""
        tray = getattr(self.desktop, "tray_window", None)
        return tray is not None and self.desktop.geometry(tray).contains(
            *self.desktop.geometry(wid).centre)

    def tray_icon(self):
        """The program's icon in the tray host, once the host has stopped laying it out."""
        def find():
            return [w for w in self.desktop.search(pid=self.app.pid) if self.in_tray(w)]
        icon = wait_until(find, what="the program's tray icon")[0]
        wait_steady(lambda: (self.desktop.geometry(icon),
                             self.desktop.geometry(self.desktop.tray_window)),
                    interval=0.3, what="the tray icon in its place")
        return icon

    def answer_yes_to_exit(self):
        """Answers Yes to the open exit question; returns the program's exit status."""
        self.desktop.key("y")  # Yes
        try:
            return self.desktop.wait_exit(timeout=5)
        except Exception:
            self.desktop.key("Return")  # the Yes button by default
            return self.desktop.wait_exit(timeout=10)

    def write_note_in_editor(self, text, after_id):
        """Types into the open note editor and presses 保存并关闭; returns the rows the save
        added (ID above after_id) once the editor has closed. Needs an accessible session."""
        editor = self.desktop.wait_windows(1, name=EDITOR_NAME)[0]
        self.desktop.activate(editor)
        self.desktop.control(CONTENT, "text", window=editor, states=("focused",))
        self.desktop.type(text)
        self.desktop.click(*self.desktop.control(SAVE_AND_CLOSE, "push button",
                                                 window=editor).centre)
        rows = wait_until(
            lambda: self.desktop.sql("SELECT content, Visual FROM Tips WHERE ID > %d"
                                     % after_id), timeout=10, what="the new note")
        self.desktop.wait_windows(0, name=EDITOR_NAME)
        return rows

    def main_window(self, visible=True, timeout=10.0):
        """The main window: the program's largest window captioned "Quillet-4862" (the tray
        icon shares the caption but is small). visible=False finds it hidden or minimised."""
        def find():
            found = [(g.width * g.height, w) for w, g in (
                (w, self.desktop.geometry(w)) for w in self.desktop.search(
                    name=MAIN_NAME, pid=self.app.pid, visible=visible)) if g.width > 300]
            return max(found)[1] if found else None
        try:
            return wait_until(find, timeout=timeout, what="the main window")
        except TimeoutError as e:
            raise AssertionError("%s\n--- program log:\n%s" % (e, self.desktop.log("quillet")))

    # ---- waits -------------------------------------------------------------------------

    def program_settled(self):
        """Returns once the program has handled the input given so far, with what that made
        it do, and the window manager has handled what the program asked of it: for checks
        that something did NOT happen. Asks the main window, or the tray icon while there is
        none (started with "mini"), both of which live as long as the program."""
        def window():
            try:
                return self.main_window(visible=False, timeout=0)
            except AssertionError:
                icons = [w for w in self.desktop.search(pid=self.app.pid) if self.in_tray(w)]
                return icons[0] if icons else None
        self.desktop.sync_input(wait_until(window, what="the main window or the tray icon"))
