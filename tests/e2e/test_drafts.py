# SPDX-License-Identifier: MIT
"""Text typed into an editor survives the program's sudden end: kill -9, then the next start
offers what was typed, and saving the restored editor stores it."""

import json
import os
import signal
import stat
import unittest

import harness

QUESTION_NAME = "^Quillet-4862$"


class DraftTest(harness.DesktopTestCase):
    accessible = True

    def drafts(self):
        folder = os.path.join(self.desktop.app_dir, "drafts")
        if not os.path.isdir(folder):
            return []
        return sorted(os.path.join(folder, f) for f in os.listdir(folder))

    def editors(self):
        return sorted(self.desktop.search(name=harness.EDITOR_NAME))

    def open_editor(self, keys):
        before = set(self.editors())
        main = self.main_window()
        self.desktop.activate(main)
        self.desktop.key(*keys)
        editor = harness.wait_until(lambda: [w for w in self.editors() if w not in before],
                                    what="the editor")[0]
        self.desktop.activate(editor)
        self.desktop.control(harness.CONTENT, window=editor, states=("focused",))
        return editor

    def draft_texts(self):
        """The texts the drafts hold, once each draft file can be read."""
        texts = []
        for path in self.drafts():
            try:
                with open(path, encoding="utf-8") as f:
                    texts.append(json.load(f)["text"])
            except (OSError, ValueError, KeyError):
                return None  # replaced while it was read
        return sorted(texts)

    def save_and_close(self, editor):
        self.desktop.activate(editor)  # on top of the other editor, which may be in its place
        self.desktop.click(*self.desktop.control(harness.SAVE_AND_CLOSE, "push button",
                                                 window=editor).centre)

    def question(self):
        """The restore question: captioned with the application title, as the main window and
        the tray icon are, but neither of them."""
        main = self.main_window()

        def find():
            found = [w for w in self.desktop.search(name=QUESTION_NAME)
                     if w != main and self.desktop.geometry(w).width > 150]
            return found[0] if found else None
        return harness.wait_until(find, timeout=15, what="the restore question")

    def test_text_typed_before_kill_is_offered_and_restored(self):
        ids = self.desktop.install([dict(content="stored first"),
                                    dict(content="stored second", visual=0)])
        self.app = self.desktop.launch()
        self.desktop.wait_windows(1, name=harness.NOTE_NAME)

        # A new note in one editor, a change of the second note in another; neither saved.
        self.open_editor(["ctrl+n"])
        self.desktop.type("typed, never saved")
        main = self.main_window()
        self.desktop.activate(main)
        self.desktop.key("End")  # the second note's row
        self.desktop.cell("便签列表", 1, "内容", window=main, states=("selected",))
        self.open_editor(["ctrl+e"])
        self.desktop.key("ctrl+End")
        self.desktop.type(" and changed")
        # The drafts follow the text within two seconds; the margin is for a busy machine.
        harness.wait_until(lambda: self.draft_texts() == ["stored second and changed",
                                                           "typed, never saved"],
                           timeout=10, what="the drafts of both editors")

        files = self.drafts()
        for f in files:
            self.assertEqual(stat.S_IMODE(os.stat(f).st_mode), 0o600, f)
        self.assertEqual(stat.S_IMODE(os.stat(os.path.dirname(files[0])).st_mode), 0o700)
        self.app.send_signal(signal.SIGKILL)
        self.app.wait(10)
        self.desktop.procs.pop("quillet", None)
        self.assertEqual([r["content"] for r in self.desktop.sql(
            "SELECT content FROM Tips ORDER BY ID")], ["stored first", "stored second"])

        # The next start asks about each draft; Enter restores (the default button).
        self.app = self.desktop.launch()
        for _ in range(2):
            box = self.question()
            self.desktop.activate(box)
            self.desktop.key("Return")
            harness.wait_until(lambda: box not in self.desktop.search(name=QUESTION_NAME),
                               what="the question to close")
        editors = harness.wait_until(lambda: (lambda e: e if len(e) == 2 else None)(
            self.editors()), what="two restored editors")
        # Nothing stored changed by itself.
        self.assertEqual([r["content"] for r in self.desktop.sql(
            "SELECT content FROM Tips ORDER BY ID")], ["stored first", "stored second"])

        for editor in editors:
            self.save_and_close(editor)
            harness.wait_until(lambda: editor not in self.editors(), what="the editor to close")
        rows = harness.wait_until(
            lambda: (lambda r: r if len(r) == 3 else None)(
                self.desktop.sql("SELECT ID, content FROM Tips ORDER BY ID")),
            what="the restored new note")
        self.assertEqual(rows[1]["content"], "stored second and changed")
        self.assertEqual(int(rows[1]["ID"]), ids[1])
        self.assertEqual(rows[2]["content"], "typed, never saved")
        harness.wait_until(lambda: not self.drafts(), what="the drafts to go once saved")


if __name__ == "__main__":
    unittest.main()
