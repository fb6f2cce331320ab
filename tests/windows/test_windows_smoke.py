"""The Windows package under Wine: Quillet.exe from the portable folder, on a private X server
with seeded notes, used as a person would (the e2e harness's session and tools).

Environment:
  QUILLET_WINDOWS_PACKAGE  the package folder (build-windows/package/Quillet)
  QUILLET_WINE_RUN         the build's Wine wrapper (build-windows/wine-run)
  QUILLET_BUILD_DIR        the Windows build folder, for installing over an existing folder
"""

import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402

NOTE_NAME = "^Quillet$"
MAIN_NAME = "^Quillet-4862$"
QUESTION_NAME = "^确定退出$"
NOTES = [
    dict(content="第一条便签", back=0x00FFFF, font=0xFF0000),
    dict(content="second note", back=0x00FF00, font=0x0000FF),
    dict(content="not shown", visual=0),
]


class WindowsDesktop(harness.Desktop):
    """A session whose program is the Windows package, run by Wine."""

    def install(self, notes=()):
        shutil.rmtree(self.app_dir)
        shutil.copytree(os.environ["QUILLET_WINDOWS_PACKAGE"], self.app_dir)
        return [self.add_note(**n) for n in notes]

    def env(self, **extra):
        env = super().env(**extra)
        # Qt picks its own platform plugin on Windows; the package alone must be enough, so
        # Wine gets no search path for DLLs outside it.
        env.pop("QT_QPA_PLATFORM", None)
        env["QUILLET_WINEPATH"] = ""
        return env

    def launch(self, *args, env=None):
        self.app = self._spawn(
            "quillet", [os.environ["QUILLET_WINE_RUN"], os.path.join(self.app_dir, "Quillet.exe"),
                        *args], cwd=self.root, env=self.env(**(env or {})))
        return self.app


class WindowsSmokeTest(harness.DesktopTestCase):
    def setUp(self):
        for name in ("QUILLET_WINDOWS_PACKAGE", "QUILLET_WINE_RUN", "QUILLET_BUILD_DIR"):
            if not os.environ.get(name):
                self.skipTest(name + " is not set; run through ctest --preset windows")
        missing = harness.missing_tools()
        if missing:
            self.skipTest("missing tools: " + ", ".join(missing))
        self.desktop = WindowsDesktop(tray=True)
        self.addCleanup(self.desktop.close)
        self.desktop.start()

    def main_windows(self):
        return [w for w in self.desktop.search(name=MAIN_NAME)
                if self.desktop.geometry(w).width > 300]

    def test_notes_show_a_new_note_is_stored_and_exit_ends_cleanly(self):
        ids = self.desktop.install(NOTES)
        self.app = self.desktop.launch()
        # Wine's first window in a fresh session takes a while.
        self.desktop.wait_windows(2, timeout=90, name=NOTE_NAME)
        main = harness.wait_until(self.main_windows, timeout=30, what="the main window")[0]

        self.desktop.activate(main)
        time.sleep(0.5)
        self.desktop.key("ctrl+n")
        rows = self.write_note_in_editor("written under Wine", after_id=max(ids))
        self.assertEqual([r["content"] for r in rows], ["written under Wine"])
        self.desktop.wait_windows(3, timeout=30, name=NOTE_NAME)

        self.desktop.activate(self.main_windows()[0])
        time.sleep(0.5)
        self.desktop.key("alt+f")
        time.sleep(0.5)
        self.desktop.key("x")
        self.desktop.wait_windows(1, timeout=30, name=QUESTION_NAME)
        self.assertEqual(self.answer_yes_to_exit(), 0, self.desktop.log("quillet"))
        self.assertEqual(len(self.desktop.sql("SELECT ID FROM Tips")), len(NOTES) + 1)

        # Installing the package again over the folder (an upgrade) keeps the notes.
        subprocess.run(["cmake", "--install", os.environ["QUILLET_BUILD_DIR"], "--prefix",
                        self.desktop.app_dir], check=True, stdout=subprocess.DEVNULL)
        self.assertEqual(len(self.desktop.sql("SELECT ID FROM Tips")), len(NOTES) + 1)


if __name__ == "__main__":
    unittest.main()
