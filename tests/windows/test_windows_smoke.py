# SPDX-License-Identifier: MIT
"""Quillet for Windows as a Windows user gets it: the installer, run silently in a fresh Wine
prefix on a private X server, then the installed Quillet.exe with two seeded notes, used as a
person would (the e2e harness's session and tools), then the silent uninstall.

Environment:
  QUILLET_WINDOWS_INSTALLER  the installer (build-windows/package/Quillet-<version>-setup.exe)
  QUILLET_WINE_RUN           the build's Wine wrapper (build-windows/wine-run)
"""

import glob
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402

NOTE_NAME = "^Quillet$"
MAIN_NAME = "^Quillet-4862$"
QUESTION_NAME = "^确定退出$"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet"
NOTES = [
    dict(content="第一条便签", back=0x00FFFF, font=0xFF0000),
    dict(content="second note", back=0x00FF00, font=0x0000FF),
    dict(content="not shown", visual=0),
]
SHOWN = [n for n in NOTES if n.get("visual", 1)]


def rgb(colour):
    """A stored 0x00BBGGRR colour as (r, g, b)."""
    return (colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF)


class WindowsDesktop(harness.Desktop):
    """A session whose programs run under Wine, in a Wine prefix of the session's own (made with
    the session's display, so that windows can show)."""

    def __init__(self):
        super().__init__(tray=True)
        self.prefix = os.path.join(self.root, "wine")

    def env(self, **extra):
        env = super().env(**extra)
        # Qt picks its own platform plugin on Windows; the installed folder alone must be
        # enough, so Wine gets no search path for DLLs outside it.
        env.pop("QT_QPA_PLATFORM", None)
        env["QUILLET_WINEPATH"] = ""
        env["QUILLET_WINEPREFIX"] = self.prefix
        return env

    def wine(self, *args, timeout=120, check=True):
        """Runs a Windows program (or Wine's own reg) to its end; returns the completed run."""
        run = subprocess.run([os.environ["QUILLET_WINE_RUN"], *args], env=self.env(),
                             cwd=self.root, stdin=subprocess.DEVNULL, capture_output=True,
                             timeout=timeout)
        if check and run.returncode != 0:
            raise AssertionError("%s ended with %d:\n%s%s" % (
                args, run.returncode, run.stdout.decode(errors="replace"),
                run.stderr.decode(errors="replace")))
        return run

    def reg_query(self, key, value):
        """The data of a string value, as `wine reg query` prints it; None when there is none."""
        run = self.wine("reg", "query", key, "/v", value, check=False)
        if run.returncode != 0:
            return None
        for line in run.stdout.decode("utf-8", "replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) == 3 and parts[0] == value and parts[1].startswith("REG_"):
                return parts[2]
        raise AssertionError("cannot read reg's output: %r" % run.stdout)

    def installed_folder(self):
        """The folder the installer chose, as Linux sees it (the user's LOCALAPPDATA)."""
        found = glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Local",
                                       "Programs", "Quillet"))
        return found[0] if len(found) == 1 else None

    def launch(self, *args, env=None):
        self.app = self._spawn(
            "quillet", [os.environ["QUILLET_WINE_RUN"], os.path.join(self.app_dir, "Quillet.exe"),
                        *args], cwd=self.root, env=self.env(**(env or {})))
        return self.app

    def start_again(self, *args, timeout=60.0):
        again = self._spawn(
            "quillet-again", [os.environ["QUILLET_WINE_RUN"],
                              os.path.join(self.app_dir, "Quillet.exe"), *args], cwd=self.root)
        return again.wait(timeout)


class WindowsSmokeTest(harness.DesktopTestCase):
    def setUp(self):
        for name in ("QUILLET_WINDOWS_INSTALLER", "QUILLET_WINE_RUN"):
            if not os.environ.get(name):
                self.skipTest(name + " is not set; run through ctest --preset windows")
        missing = harness.missing_tools()
        if missing:
            self.skipTest("missing tools: " + ", ".join(missing))
        self.desktop = WindowsDesktop()
        self.addCleanup(self.desktop.close)
        self.desktop.start()

    def main_windows(self):
        return [w for w in self.desktop.search(name=MAIN_NAME)
                if self.desktop.geometry(w).width > 300]

    def use_menu(self, *keys):
        self.desktop.activate(self.main_windows()[0])
        time.sleep(0.5)
        for key in keys:
            self.desktop.key(key)
            time.sleep(0.5)

    def test_install_use_and_uninstall(self):
        d = self.desktop
        # Silent install into the fresh prefix: the user's own folder, an empty database, the
        # Start-menu shortcut and the Apps & features entry.
        d.wine(os.environ["QUILLET_WINDOWS_INSTALLER"], "/S", timeout=180)
        folder = harness.wait_until(d.installed_folder, timeout=30, what="the installed folder")
        d.app_dir = folder
        d.db = os.path.join(folder, "Quillet.mdb")
        self.assertTrue(os.path.exists(os.path.join(folder, "Quillet.exe")))
        self.assertEqual(d.sql("SELECT count(*) AS n FROM Tips")[0]["n"], 0)
        self.assertTrue(glob.glob(os.path.join(
            d.prefix, "drive_c", "users", "*", "AppData", "Roaming", "Microsoft", "Windows",
            "Start Menu", "Programs", "Quillet.lnk")))
        uninstaller = d.reg_query(UNINSTALL_KEY, "UninstallString")
        self.assertIsNotNone(uninstaller)
        self.assertTrue(uninstaller.endswith('\\Quillet\\uninstall.exe"'), uninstaller)
        ids = [d.add_note(**n) for n in NOTES]

        # The notes and the main window, in the notes' colours, with their texts.
        self.app = d.launch()
        notes = d.wait_windows(len(SHOWN), timeout=90, name=NOTE_NAME)
        harness.wait_until(self.main_windows, timeout=30, what="the main window")
        # Under Wine the notes open at one place, one above the other: set them side by side
        # (the X server moves them; Wine paints what comes to light).
        for i, wid in enumerate(notes):
            d.xdotool("windowmove", wid, 40 + 260 * i, 40)
        harness.wait_until(lambda: [d.geometry(w).x for w in notes] ==
                           [40 + 260 * i for i in range(len(notes))], what="the notes moved")
        time.sleep(1.0)  # the last paint
        image = d.screenshot()
        # Each note's background at its corner, and its text colour inside the margin.
        inside = {}
        for g in map(d.geometry, notes):
            inside[image.pixel(g.x + 1, g.y + 1)] = image.colours(
                harness.Geometry(g.x + 4, g.y + 4, g.width - 8, g.height - 8))
        self.assertEqual(set(inside), {rgb(n["back"]) for n in SHOWN})
        for note in SHOWN:
            self.assertIn(rgb(note["font"]), inside[rgb(note["back"])], note["content"])

        # 工具 → 开机自动启动程序 writes the start command under the Run key.
        self.use_menu("alt+t", "r")
        windows_folder = "C:\\" + os.path.relpath(folder, os.path.join(d.prefix, "drive_c")) \
            .replace("/", "\\")
        command = '"%s\\Quillet.exe" mini' % windows_folder
        self.assertEqual(harness.wait_until(lambda: d.reg_query(RUN_KEY, "Quillet"),
                                            timeout=20, what="the Run value"), command)

        # A second start hands over to the running program and ends at once.
        self.assertEqual(d.start_again(), 0, d.log("quillet-again"))
        self.assertIsNone(self.app.poll())

        # 文件 → 退出程序 → 是 ends the program with status 0; the notes are as they were.
        self.use_menu("alt+f", "x")
        d.wait_windows(1, timeout=30, name=QUESTION_NAME)
        self.assertEqual(self.answer_yes_to_exit(), 0, d.log("quillet"))
        rows = d.sql("SELECT ID, content, BackColor FROM Tips ORDER BY ID")
        self.assertEqual([(r["ID"], r["content"], int(r["BackColor"])) for r in rows],
                         [(i, n["content"], n.get("back", 0xFFFFFF)) for i, n in zip(ids, NOTES)])

        # Silent uninstall: the program, its shortcut, its entry and its Run value go; the
        # notes stay. (The uninstaller runs from a copy of itself and ends on its own.)
        d.wine(os.path.join(folder, "uninstall.exe"), "/S")
        harness.wait_until(lambda: not os.path.exists(os.path.join(folder, "Quillet.exe"))
                           and not os.path.exists(os.path.join(folder, "uninstall.exe")),
                           timeout=60, what="the uninstall")
        self.assertEqual(set(os.listdir(folder)) - {"backup"}, {"Quillet.mdb"})
        self.assertEqual(len(d.sql("SELECT ID FROM Tips")), len(NOTES))
        self.assertIsNone(d.reg_query(RUN_KEY, "Quillet"))
        self.assertIsNone(d.reg_query(UNINSTALL_KEY, "UninstallString"))


if __name__ == "__main__":
    unittest.main()
