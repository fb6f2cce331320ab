# SPDX-License-Identifier: MIT
"""The list and the desktop agree, and deletes can be undone, also after a restart."""

import unittest

import harness
from test_editing import CONTENT, SAVE_AND_ADD, SAVE_AND_CLOSE, EditingTest


NOTES = [
    dict(content="note one", back=0x00FFFF),  # yellow
    dict(content="note two", back=0x00FF00),  # green
    dict(content="note three", back=0xFFFF00),  # cyan
    dict(content="note four", back=0xFF00FF),  # magenta; the last row
]


class NotesBehave(EditingTest):
    def list_key(self, row, *keys):
        """Selects a list row and presses keys in the list."""
        self.select_row(row)
        self.desktop.key(*keys)

    def wait_notes(self, count, what):
        harness.wait_until(lambda: len(self.notes()) == count, timeout=10, what=what)
        self.program_settled()  # nothing more opens or closes afterwards
        self.assertEqual(len(self.notes()), count, what)

    def open_menu(self, key):
        """Opens a menu with a key press."""
        self.desktop.open_menu(self.app.pid, lambda: self.desktop.key(key))

    def test_list_and_desktop_agree(self):
        self.launch(NOTES)
        one = self.window_by_colour(NOTES[0]["back"])
        # The user puts note one somewhere and hides the last note.
        self.desktop.xdotool("windowmove", one, 497, 9)
        one_at = self.desktop.settled(one)
        four = self.window_by_colour(NOTES[3]["back"])
        self.list_key(4, "space")
        harness.wait_until(lambda: four not in self.notes(), what="note four to be hidden")

        # Editing another note disturbs neither: no window comes back, none moves.
        self.list_key(2, "ctrl+e")
        editor = self.desktop.wait_windows(1, name=harness.EDITOR_NAME)[0]
        self.desktop.activate(editor)
        self.desktop.sync_client(editor)  # the activation has reached the editor's field
        self.replace_text(editor, "two changed")
        self.click_control(editor, SAVE_AND_CLOSE)
        self.desktop.wait_windows(0, name=harness.EDITOR_NAME)
        self.wait_notes(3, "three notes after the edit")
        self.assertEqual(self.desktop.geometry(one), one_at)

        # Notes saved with 保存继续添加 each get their window.
        editor = self.open_editor("ctrl+n")
        for text in ("added one", "added two"):
            self.click_control(editor, CONTENT)
            self.desktop.type(text)
            rows = len(self.ids_in_table())
            self.click_control(editor, SAVE_AND_ADD)
            harness.wait_until(lambda: len(self.ids_in_table()) == rows + 1, what="the note saved")
            self.desktop.activate(editor)
        self.wait_notes(5, "a window for each note added")
        self.press_on(editor, "alt+F4")
        self.desktop.wait_windows(0, name=harness.EDITOR_NAME)

        # Alt+F4 on a note clears its row's mark: Space on the row then shows it again (with
        # the mark left set, Space would clear it and no window would come).
        self.press_on(one, "alt+F4")
        self.wait_notes(4, "note one closed by the window manager")
        self.list_key(1, "space")
        self.wait_notes(5, "note one shown again from its row")
        one = self.window_by_colour(NOTES[0]["back"])
        self.press_on(one, "alt+F4")
        self.wait_notes(4, "note one closed again")

        # 全部显示 (list menu) brings back every note, each once.
        self.select_row(1)
        self.open_menu("Menu")
        self.desktop.key("s")  # 全部显示[&S]
        self.wait_notes(6, "every note shown once")
        self.assert_running()

    def test_undo_across_a_restart(self):
        self.launch(NOTES[:3])
        before = {int(r["ID"]): r for r in self.desktop.sql("SELECT * FROM Tips")}
        # Delete note two (shown), then note three after hiding it.
        self.list_key(2, "Delete")
        self.wait_notes(2, "note two's window gone")
        self.list_key(2, "space")  # the row that took its place: note three
        self.wait_notes(1, "note three hidden")
        self.desktop.key("Delete")  # still selected: deleted at once
        harness.wait_until(lambda: len(self.ids_in_table()) == 1, what="two notes deleted")
        self.assertEqual(len(self.desktop.sql("SELECT Seq FROM QuilletDeleted")), 2)

        # End the program and start it again.
        self.desktop.activate(self.main_window())
        self.open_menu("alt+f")
        self.desktop.key("x")  # 退出程序[&X]
        self.desktop.wait_windows(1, name=harness.QUESTION_NAME)
        self.assertEqual(self.answer_yes_to_exit(), 0, self.desktop.log("quillet"))
        self.app = self.desktop.launch()
        self.desktop.wait_windows(1, name=harness.NOTE_NAME)

        # Ctrl+Z: note three comes back hidden, then note two with its window.
        self.press_on(self.main_window(), "ctrl+z")
        harness.wait_until(lambda: len(self.ids_in_table()) == 2, what="note three back")
        self.wait_notes(1, "note three back without a window")
        self.press_on(self.main_window(), "ctrl+z")
        harness.wait_until(lambda: len(self.ids_in_table()) == 3, what="note two back")
        self.wait_notes(2, "note two back with its window")
        after = {int(r["ID"]): r for r in self.desktop.sql("SELECT * FROM Tips")}
        self.assertEqual(after, before)
        self.window_by_colour(NOTES[1]["back"])
        self.assertEqual(self.desktop.sql("SELECT Seq FROM QuilletDeleted"), [])
        self.assert_running()


if __name__ == "__main__":
    unittest.main()
