# SPDX-License-Identifier: MIT
"""Checks of the end-to-end harness itself: screenshots, session start and teardown."""

import os
import shutil
import subprocess
import sys
import unittest

import harness


class Session(unittest.TestCase):
    def setUp(self):
        missing = harness.missing_tools()
        if missing:
            self.skipTest("missing tools: " + ", ".join(missing))

    def test_environment_is_private(self):
        desktop = harness.Desktop(tray=False)
        try:
            env = desktop.env()
            for key in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                        "XDG_RUNTIME_DIR"):
                self.assertTrue(env[key].startswith(desktop.root + os.sep), key)
            self.assertNotIn("DISPLAY", env)  # no X server of its own yet: never the user's
            self.assertEqual(env["QUILLET_SITE_URL"], "http://127.0.0.1:9")
        finally:
            desktop.close()
        self.assertFalse(os.path.exists(desktop.root))

    def test_start_and_close_leave_nothing_behind(self):
        desktop = harness.Desktop(tray=True)
        with desktop:
            number = desktop.display.lstrip(":")
            self.assertTrue(os.path.exists("/tmp/.X11-unix/X" + number))
            procs = dict(desktop.procs)
            self.assertEqual(set(procs), {"xvfb", "openbox", "trayer"})
            self.assertTrue(all(p.poll() is None for p in procs.values()))
            tray = desktop.geometry(desktop.tray_window)
            self.assertEqual(tray.y + tray.height, 800)  # on the bottom edge
        self.assertTrue(all(p.poll() is not None for p in procs.values()))
        harness.wait_until(lambda: not os.path.exists("/tmp/.X11-unix/X" + number),
                           timeout=5, what="the X socket to go")
        self.assertFalse(os.path.exists(desktop.root))

    def test_session_dies_with_a_killed_harness(self):
        # A harness killed outright (a test runner's timeout) must not leave an X server.
        child = subprocess.run(
            [sys.executable, "-c", "import os, signal, harness\n"
             "d = harness.Desktop(tray=False).start()\n"
             "print(d.display, d.root, flush=True)\n"
             "os.kill(os.getpid(), signal.SIGKILL)\n"],
            cwd=os.path.dirname(os.path.abspath(harness.__file__)), capture_output=True,
            text=True, timeout=60)
        display, root = child.stdout.split()
        try:
            harness.wait_until(lambda: not os.path.exists("/tmp/.X11-unix/X" + display[1:]),
                               timeout=10, what="the X server of the killed harness to end")
        finally:
            shutil.rmtree(root, ignore_errors=True)

    def test_screenshot_gives_the_true_colours(self):
        # Colour checks in the other tests compare exact pixel values with the notes' colours:
        # a screenshot must give each channel where it belongs, at full precision.
        with harness.Desktop(tray=False, window_manager=False) as desktop:
            desktop._run(["xsetroot", "-solid", "#1234fe"])
            image = desktop.screenshot()
            self.assertEqual((image.width, image.height), (1280, 800))
            self.assertEqual(image.pixel(0, 0), (0x12, 0x34, 0xFE))
            self.assertEqual(image.colours(harness.Geometry(1270, 790, 40, 40)),
                             {(0x12, 0x34, 0xFE)})

    def test_database_is_made_and_seeded(self):
        makedb = os.path.join(harness.bin_dir(), "quillet-makedb")
        if not os.path.exists(makedb) or shutil.which("sqlite3") is None:
            self.skipTest("needs quillet-makedb and sqlite3")
        desktop = harness.Desktop(tray=False)
        try:
            ids = desktop.make_database([{"content": "it's"}, {"content": "便签", "back": 255,
                                                                "visual": 0}])
            self.assertEqual(len(ids), 2)
            self.assertLess(ids[0], ids[1])
            rows = desktop.sql("SELECT ID, content, BackColor, Visual FROM Tips ORDER BY ID")
            self.assertEqual([r["content"] for r in rows], ["it's", "便签"])
            self.assertEqual(int(rows[1]["BackColor"]), 255)
            self.assertEqual(int(rows[1]["Visual"]), 0)
        finally:
            desktop.close()


class ControlsByName(harness.DesktopTestCase):
    """Desktop.control: the program's controls by their accessible names, where they are."""

    accessible = True

    def test_a_named_control_is_found_where_it_is_and_a_missing_one_named(self):
        d = self.desktop
        d.install([dict(content="看得见的便签")])
        self.app = d.launch()
        self.tray_icon()  # with a session bus, the icon is still in the tray host
        main = self.main_window()
        # The main window, found by name anywhere in the program, where the X server has it;
        # the note list inside it.
        self.assertEqual(d.control("Quillet-4862", "frame"), d.geometry(main))
        notes = d.control("便签列表", "tree", window=main)
        for corner in ((notes.x, notes.y), (notes.x + notes.width - 1,
                                            notes.y + notes.height - 1)):
            self.assertTrue(d.geometry(main).contains(*corner), notes)

        with self.assertRaises(AssertionError) as failed:
            d.control("没有这个控件", timeout=1)
        self.assertIn("没有这个控件", str(failed.exception))
        self.assertIn("桌面便签 (filler)", str(failed.exception))  # the names it saw
        with self.assertRaises(AssertionError):
            d.control("看得见的便签", "push button", timeout=1)  # the name, not the role


if __name__ == "__main__":
    unittest.main()
