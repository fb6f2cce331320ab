# SPDX-License-Identifier: MIT
"""The program on Wayland, through Qt's wayland platform plugin and the weston compositor.

Two desktops: a headless weston, which has no input devices, so the program is only watched
there; and weston running as a client of a private Xvfb, where xdotool's pointer and keys
reach the program as Wayland input. Windows are read from weston's scene graph (its debug
protocol, `weston-debug scene-graph`), requests from its protocol log, pixels from its
screenshooter, the notes from the database with sqlite3.
"""

import os
import re
import shutil
import signal
import subprocess
import time
import unittest

import harness

TOOLS = ("weston", "weston-debug", "weston-screenshooter", "sqlite3")
PLUGIN = "/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so"

NOTES = [
    dict(content="wayland note one", back=0x00FFFF, font=0xFF0000),  # yellow
    dict(content="wayland note two", back=0xFF00FF, font=0x000000),  # magenta
    dict(content="kept off the desktop", back=0x00FF00, visual=0),
]
SHOWN = [n for n in NOTES if n.get("visual", 1)]


class View:
    """One surface on screen, as weston's scene graph describes it."""

    def __init__(self, role, pid, label, geometry):
        self.role, self.pid, self.label, self.geometry = role, pid, label, geometry
        m = re.match(r"top-level window '(.*)' of", label)
        self.title = m.group(1) if m else None

    def __repr__(self):
        return "View(%s, pid %s, %r, %r)" % (self.role, self.pid, self.label, self.geometry)


VIEW = re.compile(r"View \d+ \(role (\S+), PID (-?\d+), surface ID \d+, (.*), 0x[0-9a-f]+\):\s*"
                  r"\n\s*position: \((-?\d+), (-?\d+)\) -> \((-?\d+), (-?\d+)\)")


class WaylandSession(harness.Desktop):
    """A headless weston with a private socket in a private runtime folder, and the program
    in a folder of its own, as harness.Desktop has it for X11."""

    def __init__(self):
        super().__init__(tray=False, window_manager=False)
        # Qt's tray icon asks every platform plugin for an X11-only signal; the Wayland plugin
        # has none and Qt says so. Not the program's doing.
        self.expect_output(r"qt\.core\.qobject\.connect: QObject::connect: No such signal "
                           r"QPlatformNativeInterface::systemTrayWindowChanged\(QScreen\*\)")
        self.socket = "quillet-e2e-%d" % os.getpid()
        self.runtime = os.path.join(self.home, "runtime")  # made with mode 0700

    def env(self, **extra):
        env = super().env()
        env.pop("DISPLAY", None)
        env.update(QT_QPA_PLATFORM="wayland", WAYLAND_DISPLAY=self.socket,
                   XDG_RUNTIME_DIR=self.runtime)
        env.update(extra)
        return env

    def start(self):
        return self._start_weston(lambda: self._spawn(
            "weston", ["weston", "--backend=headless-backend.so", "--socket=" + self.socket,
                       "--no-config", "--idle-time=0", "--width=1920", "--height=1200",
                       "--use-pixman",
                       # the debug protocol gives the scene graph and lets an ordinary
                       # client take screenshots
                       "--debug"]))

    def _start_weston(self, spawn, then=lambda: None):
        """Runs spawn, waits until weston answers, then runs then; on any failure the
        session is closed and weston's log goes with the error."""
        try:
            spawn()
            harness.wait_until(lambda: self._scene(check=False) is not None, timeout=15,
                               what="weston")
            then()
        except BaseException as e:
            log = self.log("weston")
            self.close()
            if isinstance(e, TimeoutError):
                raise RuntimeError("weston did not start:\n" + log) from None
            raise
        return self

    def _scene(self, check=True):
        if self.procs["weston"].poll() is not None:
            raise RuntimeError("weston ended:\n" + self.log("weston"))
        try:
            out = subprocess.run(["weston-debug", "scene-graph"], env=self.env(),
                                 capture_output=True, text=True, timeout=10)
        except subprocess.TimeoutExpired:
            return None
        if out.returncode != 0 or "Weston scene graph" not in out.stdout:
            if check:
                raise RuntimeError("weston-debug failed: " + out.stderr)
            return None
        return out.stdout

    def views(self, pid=None):
        """The views on screen, top first, optionally only those of one process."""
        views = [View(m.group(1), int(m.group(2)), m.group(3), harness.Geometry(
            int(m.group(4)), int(m.group(5)), int(m.group(6)) - int(m.group(4)),
            int(m.group(7)) - int(m.group(5)))) for m in VIEW.finditer(self._scene())]
        return [v for v in views if pid is None or v.pid == pid]

    def wait_views(self, predicate, what, timeout=20):
        found = []

        def ready():
            found[:] = self.views(self.app.pid)
            return predicate(found)
        try:
            harness.wait_until(ready, timeout, interval=0.3, what=what)
        except TimeoutError as e:
            raise AssertionError("%s; views: %r\n--- program log:\n%s"
                                 % (e, found, self.log("quillet"))) from None
        return list(found)

    def protocol_log(self):
        """A context that records the Wayland requests and events of every client."""
        session = self

        class Recording:
            def __enter__(self):
                self.path = os.path.join(session.root, "proto-%d.log" % time.monotonic_ns())
                with open(self.path, "wb") as out:
                    self.proc = subprocess.Popen(["weston-debug", "proto"], env=session.env(),
                                                 stdout=out, stderr=subprocess.STDOUT)
                time.sleep(0.5)  # subscribed before anything happens
                return self

            def __exit__(self, *exc):
                self.proc.terminate()
                self.proc.wait(5)

            def lines(self):
                with open(self.path, encoding="utf-8", errors="replace") as f:
                    return f.read().splitlines()

        return Recording()

    def screenshot(self, path=None):
        folder = os.path.join(self.root, "shots")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        subprocess.run(["weston-screenshooter"], cwd=folder, env=self.env(),
                       capture_output=True, timeout=20, check=True)
        files = [f for f in os.listdir(folder) if f.endswith(".png")]
        if len(files) != 1:
            raise RuntimeError("weston-screenshooter wrote %r" % files)
        return harness.Image.open(os.path.join(folder, files[0]))


class NestedWaylandSession(WaylandSession):
    """weston as an X11 client inside a private Xvfb: still a Wayland desktop to the program,
    but one that xdotool can drive. Pointer and keys given to weston's window on the X
    server reach the program as Wayland input. The program itself gets no DISPLAY."""

    def __init__(self):
        super().__init__()
        self.screen = "1400x900x24"  # room beside weston's 1280 x 800 window

    def start(self):
        def spawn():
            self._start_xvfb()
            self._spawn("weston", ["weston", "--backend=x11-backend.so",
                                   "--socket=" + self.socket, "--no-config", "--idle-time=0",
                                   "--width=1280", "--height=800", "--use-pixman", "--debug"],
                        env=dict(self.env(), DISPLAY=self.display))

        def then():
            self.origin = harness.wait_until(self._output_window, what="weston's window")
            # The X pointer starts inside weston's window, and weston takes no motion from it
            # until it has seen the pointer come in: bring it in from outside.
            self.move(self.origin.x + self.origin.width + 20, self.origin.y + 20)
            self.move(*self.at(640, 400))

        return self._start_weston(spawn, then)

    def _output_window(self):
        found = self.search(cls="^Weston Compositor$")
        return self.geometry(found[0]) if found else None

    def _run(self, argv, check=True, binary=False):
        result = subprocess.run(argv, env=dict(self.env(), DISPLAY=self.display),
                                stdin=subprocess.DEVNULL, capture_output=True,
                                text=not binary, timeout=30)
        if check and result.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (" ".join(map(str, argv)),
                                                         result.returncode, result.stderr))
        return result

    def at(self, x, y):
        """A point of the compositor's output as a point of the X screen."""
        return (self.origin.x + x, self.origin.y + y)

    def slow_drag(self, start, end, steps=6):
        # Every step passes through two servers and the compositor: go slowly.
        self.drag(self.at(*start), self.at(*end), steps=steps, pause=0.12)


class WaylandCase(unittest.TestCase):
    session_class = WaylandSession

    def setUp(self):
        missing = [t for t in TOOLS if shutil.which(t) is None]
        if missing:
            self.skipTest("missing tools: " + ", ".join(missing))
        if not os.path.exists(PLUGIN):
            self.skipTest("Qt's wayland platform plugin (qt6-wayland) is not installed")
        self.session = self.session_class()
        self.addCleanup(self.session.close)
        self.addCleanup(harness.check_program_output, self, self.session)  # before close
        self.session.start()

    def launch(self, *args):
        self.ids = self.session.install(NOTES)
        self.app = self.session.launch(*args)

    def below_rows(self):
        """A point of the main window's list, below its rows, that no other window covers. The
        compositor places every new window where it likes, a note over the main window too: a
        click on a covered point reaches that note, and keys typed next go to the note."""
        views = self.session.views(self.app.pid)
        main = self.mains(views)[0]
        above = views[:views.index(main)]  # the scene graph lists the top view first
        g = main.geometry
        half = g.width // 2 - 20
        for y in (g.y + g.height - 40, g.y + g.height - 70):
            for dx in sorted(range(-half, half + 1, 10), key=abs):
                point = (g.x + g.width // 2 + dx, y)
                if not any(v.geometry.contains(*point) for v in above):
                    return point
        raise AssertionError("windows cover the main window's list: %r" % views)

    def notes(self, views):
        return [v for v in views if v.role == "xdg_toplevel" and v.title == "Quillet"]

    def mains(self, views):
        return [v for v in views if v.role == "xdg_toplevel" and v.title == "Quillet-4862"]

    def end_with_sigterm(self, notes=NOTES):
        """Asks the program to stop as a session manager would; it ends cleanly."""
        self.assertIsNone(self.app.poll(), "the program ended:\n" + self.session.log("quillet"))
        self.app.send_signal(signal.SIGTERM)
        status = self.app.wait(15)
        log = self.session.log("quillet")
        self.assertEqual(status, 0, log)
        self.assertNotRegex(log, r"(?i)segmentation|fatal|abort|core dumped")
        self.assertEqual(self.session.sql("PRAGMA integrity_check")[0]["integrity_check"], "ok")
        self.assertEqual([r["content"] for r in self.session.sql(
            "SELECT content FROM Tips ORDER BY ID")], [n["content"] for n in notes])
        self.assertIsNone(self.session.procs["weston"].poll(), "the compositor went down")


class HeadlessWayland(WaylandCase):
    """A headless weston: no input devices, so the program is only watched."""

    def test_main_window_and_notes_appear_and_sigterm_ends_cleanly(self):
        self.launch()
        views = self.session.wait_views(
            lambda vs: len(self.mains(vs)) == 1 and len(self.notes(vs)) == len(SHOWN),
            what="the main window and %d notes" % len(SHOWN))
        for note in self.notes(views):
            self.assertEqual((note.geometry.width, note.geometry.height), (170, 120))
        # The notes are drawn in their colours: each note's margin shows its background. The
        # compositor places windows itself and may cover a note with another window: only
        # the parts of a margin that no window above covers are looked at.
        expected = {harness.rgb(n["back"]) for n in SHOWN}
        seen = harness.wait_until(
            lambda: (lambda found: found if found and all(
                len(c) == 1 and c <= expected for c in found.values()) else None)(
                self.margin_colours(self.session.screenshot(), views)),
            timeout=10, interval=0.5, what="the notes' colours on the screen")
        colours = [c for cs in seen.values() for c in cs]
        self.assertEqual(len(colours), len(set(colours)), seen)  # one note, one colour
        # The update check and the advertisement request fail quietly; the program stays.
        time.sleep(2.5)
        self.end_with_sigterm()

    def margin_colours(self, image, views):
        """For each note not wholly covered: the colours of the visible part of its margin."""
        found = {}
        for note in self.notes(views):
            above = views[:views.index(note)]  # the scene graph lists the top view first
            g = note.geometry
            points = [(g.x + 2, y) for y in range(g.y + 2, g.y + g.height - 2, 4)]
            points += [(g.x + g.width - 3, y) for y in range(g.y + 2, g.y + g.height - 2, 4)]
            points += [(x, g.y + 2) for x in range(g.x + 2, g.x + g.width - 2, 4)]
            points += [(x, g.y + g.height - 3) for x in range(g.x + 2, g.x + g.width - 2, 4)]
            colours = {image.pixel(x, y) for x, y in points
                       if 0 <= x < image.width and 0 <= y < image.height
                       and not any(v.geometry.contains(x, y) for v in above)}
            if colours:
                found[g.tuple()] = colours
        return found

    def test_mini_start_shows_the_notes(self):
        self.launch("mini")
        self.session.wait_views(lambda vs: len(self.notes(vs)) == len(SHOWN),
                                what="%d notes" % len(SHOWN))
        time.sleep(1.0)
        self.end_with_sigterm()

    @unittest.expectedFailure
    def test_mini_start_keeps_the_main_window_off_screen(self):
        """Known fault: with no tray the main window should start minimised, but Qt 6.4 on
        Wayland only asks the compositor to minimise a window that is already mapped: a
        window shown minimised from the start comes up in its normal state."""
        self.launch("mini")
        self.session.wait_views(lambda vs: len(self.notes(vs)) == len(SHOWN),
                                what="%d notes" % len(SHOWN))
        time.sleep(1.5)
        self.assertEqual(self.mains(self.session.views(self.app.pid)), [])


class WaylandInput(WaylandCase):
    """The core path on a Wayland desktop, driven through a nested weston."""

    session_class = NestedWaylandSession

    def setUp(self):
        if shutil.which("Xvfb") is None or shutil.which("xdotool") is None:
            self.skipTest("the nested compositor needs Xvfb and xdotool")
        super().setUp()

    def open_popup(self, x, y, what):
        """Right-clicks at a point of the output and waits for a popup menu. The pointer
        rests there first, so the program has seen it arrive before the button."""
        self.session.move(*self.session.at(x, y))
        time.sleep(0.3)
        self.session.xdotool("click", 3)
        return self.session.wait_views(lambda vs: any(v.role == "xdg_popup" for v in vs),
                                       what=what, timeout=10)

    def one_note(self, views):
        notes = self.notes(views)
        return notes[0] if len(notes) == 1 else None

    def changed(self, before):
        def check():
            note = self.one_note(self.session.views(self.app.pid))
            return note if note and note.geometry != before else None
        return harness.wait_until(check, timeout=5, interval=0.2, what="the note to change")

    def test_note_moves_resizes_and_closes_from_its_menu(self):
        self.ids = self.session.install(NOTES[:1] + NOTES[2:])
        self.app = self.session.launch("mini")
        note = self.session.wait_views(lambda vs: self.one_note(vs), what="the note")
        g = self.one_note(note).geometry
        self.assertEqual((g.width, g.height), (170, 120))

        # Dragging the text hands the move to the compositor.
        # (Towards the middle of the output, where the note stays whole.)
        dx, dy = (-120 if g.x > 640 else 120), (-60 if g.y > 400 else 60)
        start = (g.x + 60, g.y + 40)
        self.session.slow_drag(start, (start[0] + dx, start[1] + dy))
        moved = self.changed(g).geometry
        self.assertTrue(100 <= abs(moved.x - g.x) <= 120 and (moved.x - g.x) * dx > 0, moved)
        self.assertTrue(50 <= abs(moved.y - g.y) <= 60 and (moved.y - g.y) * dy > 0, moved)
        self.assertEqual((moved.width, moved.height), (170, 120))

        # The bottom-right corner resizes.
        corner = (moved.x + moved.width - 1, moved.y + moved.height - 1)
        self.session.slow_drag(corner, (corner[0] + 60, corner[1] + 40))
        sized = self.changed(moved).geometry
        self.assertEqual((sized.x, sized.y), (moved.x, moved.y))
        self.assertTrue(170 < sized.width <= 230 and 120 < sized.height <= 160, sized)

        # A right click opens the note menu as a popup; 关闭窗口[&C] closes the note.
        self.open_popup(sized.x + 60, sized.y + 40, "the note menu")
        self.session.key("c")
        self.session.wait_views(lambda vs: not self.notes(vs), what="the note to close")
        self.assertEqual(len(self.session.sql("SELECT ID FROM Tips")), 2)
        self.end_with_sigterm(notes=NOTES[:1] + NOTES[2:])

    def test_closing_the_main_window_minimises_it(self):
        # No tray on this desktop: closing must not take the window out of reach.
        self.launch()
        views = self.session.wait_views(
            lambda vs: len(self.mains(vs)) == 1 and len(self.notes(vs)) == len(SHOWN),
            what="the main window and the notes")
        main = self.mains(views)[0].geometry
        with self.session.protocol_log() as log:
            # The close button of the frame Qt draws: 18 pixels in from the right, 15 down.
            self.session.click(*self.session.at(main.x + main.width - 18, main.y + 15))
            self.session.wait_views(lambda vs: not self.mains(vs), what="the window to go")
            time.sleep(0.5)
        # Minimised, not hidden: the program asked for it and kept its window.
        requests = [line for line in log.lines() if " rq xdg_toplevel@" in line]
        self.assertTrue(any(".set_minimized(" in r for r in requests), requests)
        self.assertFalse(any(".destroy(" in r for r in requests), requests)
        self.assertEqual(len(self.notes(self.session.views(self.app.pid))), len(SHOWN))
        self.end_with_sigterm()

    def close_main_window(self):
        """Closes the main window with the close button of the frame Qt draws (18 pixels in
        from the right, 15 down) and waits until it is off the screen."""
        main = self.mains(self.session.views(self.app.pid))[0].geometry
        self.session.click(*self.session.at(main.x + main.width - 18, main.y + 15))
        self.session.wait_views(lambda vs: not self.mains(vs), what="the window to go")

    def test_closed_main_window_comes_back_and_the_note_menu_opens_at_the_note(self):
        self.launch()
        self.session.wait_views(
            lambda vs: len(self.mains(vs)) == 1 and len(self.notes(vs)) == len(SHOWN),
            what="the main window and the notes")
        self.close_main_window()

        # Without the main window (and without a tray) the note menu opens, at the pointer.
        note = self.notes(self.session.views(self.app.pid))[0].geometry
        pointer = (note.x + 60, note.y + 40)
        views = self.open_popup(*pointer, "the note menu")
        popup = [v for v in views if v.role == "xdg_popup"][0].geometry
        self.assertTrue(abs(popup.x - pointer[0]) <= 4 and abs(popup.y - pointer[1]) <= 4,
                        (popup, pointer))
        self.session.key("Escape")
        self.session.wait_views(lambda vs: not any(v.role == "xdg_popup" for v in vs),
                                what="the menu to close")

        # A second start of the program brings the main window back, every time.
        for _ in range(2):
            self.assertEqual(self.session.start_again(), 0)
            self.session.wait_views(lambda vs: len(self.mains(vs)) == 1,
                                    what="the main window back")
            time.sleep(0.5)
            self.close_main_window()
        self.end_with_sigterm()

    def test_list_menu_editor_and_exit(self):
        self.launch()
        self.session.wait_views(
            lambda vs: len(self.mains(vs)) == 1 and len(self.notes(vs)) == len(SHOWN),
            what="the main window and the notes")

        # The list's menu: 全部隐藏[&H], then 全部显示[&S] (every note, the one kept off too).
        for key, count in (("h", 0), ("s", len(NOTES))):
            self.open_popup(*self.below_rows(), "the list menu")
            self.session.key(key)
            self.session.wait_views(lambda vs, n=count: len(self.notes(vs)) == n,
                                    what="%d notes" % count)

        # Ctrl+N in the main window opens the editor; its text box has the keyboard.
        self.session.click(*self.session.at(*self.below_rows()))
        self.session.key("ctrl+n")
        editor = self.session.wait_views(
            lambda vs: [v for v in vs if v.title == "添加Quillet"], what="the editor")
        editor = [v for v in editor if v.title == "添加Quillet"][0].geometry
        time.sleep(0.5)
        text = "typed on wayland"
        self.session.type(text)
        # 保存并关闭 sits at 90, 60 twips in the editor (6, 4 pixels, 99 x 23); Qt draws the
        # frame itself here, 3 pixels wide with a 30-pixel title bar.
        self.session.click(*self.session.at(editor.x + 3 + 6 + 49, editor.y + 30 + 4 + 11))
        rows = harness.wait_until(
            lambda: self.session.sql("SELECT content, Visual FROM Tips WHERE ID > %d"
                                     % max(self.ids)), timeout=10, what="the new note")
        self.assertEqual([(r["content"], int(r["Visual"])) for r in rows], [(text, 1)])
        self.session.wait_views(lambda vs: len(self.notes(vs)) == len(NOTES) + 1
                                and not [v for v in vs if v.title == "添加Quillet"],
                                what="the new note on the desktop, the editor gone")

        # 文件[&F] → 退出程序[&X] asks first; Yes ends the program.
        self.session.click(*self.session.at(*self.below_rows()))
        self.session.key("alt+f")
        self.session.wait_views(lambda vs: any(v.role == "xdg_popup" for v in vs),
                                what="the file menu")
        self.session.key("x")
        self.session.wait_views(lambda vs: [v for v in vs if v.title == "确定退出"],
                                what="the exit question")
        self.session.key("y")
        self.assertEqual(self.app.wait(15), 0, self.session.log("quillet"))
        self.assertEqual(self.session.sql("PRAGMA integrity_check")[0]["integrity_check"], "ok")
        self.assertEqual(len(self.session.sql("SELECT ID FROM Tips")), len(NOTES) + 1)


if __name__ == "__main__":
    unittest.main()
