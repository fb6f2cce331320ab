# SPDX-License-Identifier: MIT
"""Global shortcuts on X11: pressed while another program's window has the focus, Ctrl+Alt+N
opens the editor and Ctrl+Alt+H hides and shows the notes; a combination another program holds
is reported and the other keeps working; a changed shortcut holds after a restart."""

import os
import signal
import subprocess
import sys
import unittest

import harness

NOTE_NAME = "^Quillet$"
CLIENT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "other_client.py")


class GlobalShortcutsTest(harness.DesktopTestCase):
    accessible = True  # write_note_in_editor finds 保存并关闭 by name

    def setUp(self):
        if subprocess.run([sys.executable, "-c", "import tkinter"],
                          capture_output=True).returncode != 0:
            self.skipTest("needs Tk (python3-tk)")
        super().setUp()

    def other_window(self, holds=None):
        """Starts the other program and gives its window the keyboard focus."""
        self.desktop._spawn("other", [sys.executable, CLIENT] + ([holds] if holds else []))
        harness.wait_until(lambda: "ready" in self.desktop.log("other"), what="the other client")
        return self.desktop.wait_windows(1, name="^other-client$")[0]

    def press_in(self, window, keys):
        self.desktop.activate(window)
        self.desktop.key(keys)

    def start(self):
        self.app = self.desktop.launch()
        self.main_window()

    def restart(self):
        self.app.send_signal(signal.SIGTERM)
        self.assertEqual(self.app.wait(15), 0, self.desktop.log("quillet"))
        self.desktop.procs.pop("quillet", None)
        self.start()

    def test_shortcuts_reach_the_program_from_another_window(self):
        self.desktop.install([dict(content="first"), dict(content="second")])
        self.start()
        self.desktop.wait_windows(2, name=NOTE_NAME)
        other = self.other_window()

        self.press_in(other, "ctrl+alt+h")  # notes are shown: hide them all
        self.desktop.wait_windows(0, name=NOTE_NAME)
        # With Caps Lock and Num Lock on the same combination shows them all again.
        self.desktop.xdotool("key", "Caps_Lock", "Num_Lock")
        self.press_in(other, "ctrl+alt+h")
        self.desktop.wait_windows(2, name=NOTE_NAME)
        self.desktop.xdotool("key", "Caps_Lock", "Num_Lock")

        self.press_in(other, "ctrl+alt+n")
        editor = self.desktop.wait_windows(1, name=harness.EDITOR_NAME)[0]
        # It takes the keyboard from the program the user was in, ready for typing.
        harness.wait_until(lambda: self.desktop.xdotool("getactivewindow").strip() == str(editor),
                           what="the editor with the keyboard focus")
        self.assertEqual(len(self.write_note_in_editor("from anywhere", after_id=2)), 1)

    def test_a_combination_held_elsewhere_is_reported_and_the_rest_works(self):
        self.desktop.install([dict(content="note")])
        other = self.other_window(holds="ctrl+alt+h")
        self.desktop.expect_output(
            r"quillet\.hotkey: the X server refused the grab of Ctrl\+Alt\+H: error 10")
        # The box's text as a screen reader reads it.
        self.app = self.desktop.launch()
        self.main = self.main_window()
        harness.wait_until(self.box, what="the message box")

        def reported():
            tree = self.desktop.accessible_tree()
            return tree and any("全局快捷键 Ctrl+Alt+H（显示或隐藏全部便签）已被其他程序占用"
                                in n["name"] for n in harness.nodes(tree))
        harness.wait_until(reported, timeout=30, interval=0.5, what="the report of Ctrl+Alt+H")
        self.desktop.key("Return")
        harness.wait_until(lambda: self.box() is None, what="the box closed")

        self.press_in(other, "ctrl+alt+n")
        self.desktop.wait_windows(1, name=harness.EDITOR_NAME)

    def box(self):
        """The program's message box: the window with the focus, captioned like the main window
        but not the main window."""
        active = self.desktop.xdotool("getactivewindow", check=False).strip()
        if active and int(active) != self.main and \
                self.desktop.xdotool("getwindowname", active, check=False).strip() == \
                "Quillet-4862":
            return int(active)
        return None

    def test_a_changed_shortcut_holds_after_a_restart(self):
        self.desktop.install([dict(content="note")])
        self.start()
        self.desktop.wait_windows(1, name=NOTE_NAME)
        self.desktop.activate(self.main_window())
        self.desktop.open_menu(self.app.pid, lambda: self.desktop.key("alt+t"))
        self.desktop.key("k")  # 全局快捷键[&K]…
        dialog = self.desktop.wait_windows(1, name="^全局快捷键$")[0]
        self.desktop.activate(dialog)
        # The new note's field has the focus: a new combination; then the other is turned off.
        self.desktop.key("ctrl+alt+j")
        for key in ("Tab", "Tab", "Tab", "space", "Return"):
            self.desktop.key(key)
        self.desktop.wait_windows(0, name="^全局快捷键$")

        # The old combinations are let go at once: they reach the window with the focus.
        other = self.other_window()
        self.press_in(other, "ctrl+alt+n")
        self.press_in(other, "ctrl+alt+h")
        harness.wait_until(lambda: {"ctrl+alt+n", "ctrl+alt+h"} <= set(
            self.desktop.log("other").split()), what="the keys at the other program")
        self.program_settled()
        self.assertEqual(len(self.desktop.search(name=harness.EDITOR_NAME)), 0)
        self.assertEqual(len(self.desktop.search(name=NOTE_NAME)), 1)

        self.restart()
        self.desktop.wait_windows(1, name=NOTE_NAME)
        self.press_in(other, "ctrl+alt+h")  # still off: the note stays
        self.press_in(other, "ctrl+alt+j")
        self.desktop.wait_windows(1, name=harness.EDITOR_NAME)
        self.assertEqual(len(self.desktop.search(name=NOTE_NAME)), 1)


if __name__ == "__main__":
    unittest.main()
