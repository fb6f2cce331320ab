"""Checks of the end-to-end harness itself: image readers, session start and teardown."""

import os
import shutil
import subprocess
import sys
import unittest

import harness


class ImageReaders(unittest.TestCase):
    def test_ppm(self):
        data = b"P6\n2 2\n255\n" + bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3])
        image = harness.Image.from_ppm(data)
        self.assertEqual((image.width, image.height), (2, 2))
        self.assertEqual(image.pixel(0, 0), (255, 0, 0))
        self.assertEqual(image.pixel(1, 0), (0, 255, 0))
        self.assertEqual(image.pixel(0, 1), (0, 0, 255))
        self.assertEqual(image.pixel(1, 1), (1, 2, 3))
        self.assertEqual(image.colours(harness.Geometry(1, 0, 5, 5)), {(0, 255, 0), (1, 2, 3)})

    def test_xwd_little_endian_32_bit(self):
        width, height, name = 2, 1, b"root\0"
        fields = [100 + len(name), 7, 2, 24, width, height, 0, 0, 32, 0, 32, 32, width * 4 + 4,
                  4, 0xFF0000, 0x00FF00, 0x0000FF, 8, 256, 0, width, height, 0, 0, 0]
        header = b"".join(f.to_bytes(4, "big") for f in fields) + name
        pixels = (0x00112233).to_bytes(4, "little") + (0x00FF8001).to_bytes(4, "little")
        image = harness.Image.from_xwd(header + pixels + b"\0" * 4)  # padded line
        self.assertEqual(image.pixel(0, 0), (0x11, 0x22, 0x33))
        self.assertEqual(image.pixel(1, 0), (0xFF, 0x80, 0x01))

    def test_xwd_big_endian_and_24_bit(self):
        def xwd(bits, order, masks, pixels, line):
            fields = [100, 7, 2, 24, 2, 1, 0, order, 32, 0, 32, bits, line, 4, *masks, 8, 256,
                      0, 2, 1, 0, 0, 0]
            return b"".join(f.to_bytes(4, "big") for f in fields) + pixels

        big = xwd(32, 1, (0xFF, 0xFF00, 0xFF0000),  # red in the low byte, most significant first
                  (0x00332211).to_bytes(4, "big") + (0x000180FF).to_bytes(4, "big"), 8)
        image = harness.Image.from_xwd(big)
        self.assertEqual(image.pixel(0, 0), (0x11, 0x22, 0x33))
        self.assertEqual(image.pixel(1, 0), (0xFF, 0x80, 0x01))
        packed = xwd(24, 0, (0xFF0000, 0xFF00, 0xFF), bytes([0x33, 0x22, 0x11, 3, 2, 1, 0, 0]), 8)
        image = harness.Image.from_xwd(packed)
        self.assertEqual(image.pixel(0, 0), (0x11, 0x22, 0x33))
        self.assertEqual(image.pixel(1, 0), (1, 2, 3))


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


if __name__ == "__main__":
    unittest.main()
