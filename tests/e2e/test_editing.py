# SPDX-License-Identifier: MIT
"""Writing, changing and deleting notes with mouse and keyboard, and the About box's link."""

import datetime
import os
import re
import shutil
import stat
import unittest

import harness
from harness import CONTENT, SAVE_AND_CLOSE

ABOUT_NAME = "^关于 Quillet-4862$"
COLOUR_DIALOG_NAME = "^背景颜色$"  # the chooser takes the caption of its button
SEEDED = "2026-12-01 09:00:00"

# Controls by their accessible names: the editor's buttons, the list and its text column.
SAVE_AND_ADD = "保存继续添加"
BACK_COLOUR = "背景颜色"
NOTE_LIST = "便签列表"
TEXT_COLUMN = "内容"


class EditingTest(harness.DesktopTestCase):
    accessible = True

    def setUp(self):
        super().setUp()
        if shutil.which("xmodmap") is None:
            self.skipTest("typing Chinese reliably needs xmodmap (x11-xserver-utils)")

    def launch(self, notes, *args, env=None):
        self.ids = self.desktop.install(notes)
        self.app = self.desktop.launch(*args, env=env)
        shown = sum(1 for n in notes if n.get("visual", 1))
        return self.desktop.wait_windows(shown, name=harness.NOTE_NAME)

    # ---- finding things ----------------------------------------------------------------

    def notes(self):
        return sorted(self.desktop.search(name=harness.NOTE_NAME))

    def row(self, note_id):
        rows = self.desktop.sql("SELECT * FROM Tips WHERE ID = %d" % note_id)
        return rows[0] if rows else None

    def ids_in_table(self):
        return [int(r["ID"]) for r in self.desktop.sql("SELECT ID FROM Tips ORDER BY ID")]

    def note_colour(self, wid):
        """The colour at a note window's top left corner, with the window raised first: the
        notes open where the window system puts them and may lie under other windows."""
        self.bring_up(wid)
        g = self.desktop.geometry(wid)
        return self.desktop.screenshot().pixel(g.x + 1, g.y + 1)

    def window_by_colour(self, back):
        """The note window whose background is the stored colour back. A window just raised
        may show what covered it until it has painted itself: look until one window has it."""
        found = []

        def one():
            found[:] = [w for w in self.notes() if self.note_colour(w) == harness.rgb(back)]
            return len(found) == 1
        try:
            harness.wait_until(one, timeout=10, what="one note window in %r" % (
                harness.rgb(back),))
        except TimeoutError as e:
            self.fail("%s; found %d" % (e, len(found)))
        return found[0]

    def assert_running(self):
        self.assertIsNone(self.app.poll(), "the program ended:\n" + self.desktop.log("quillet"))

    # ---- acting ------------------------------------------------------------------------

    def press_on(self, wid, *keys):
        self.desktop.activate(wid)
        self.desktop.key(*keys)

    def bring_up(self, wid):
        """Raises the window and waits until nothing covers it."""
        self.desktop.xdotool("windowraise", wid)
        harness.wait_until(lambda: self.desktop.uncovered(wid), what="window %d on top" % wid)

    def click_control(self, window, name):
        """Clicks the middle of the window's control with that accessible name."""
        self.desktop.click(*self.desktop.control(name, window=window).centre)

    def note_menu(self, wid, key):
        """Opens a note window's menu with a right click and picks the item with that key."""
        self.bring_up(wid)
        before = set(self.desktop.search(pid=self.app.pid))
        self.desktop.click(*self.desktop.geometry(wid).centre, button=3)
        # A popup menu is no child of the program's accessible object: wait for its window.
        harness.wait_until(lambda: set(self.desktop.search(pid=self.app.pid)) - before,
                           what="the note's menu")
        self.desktop.key(key)

    def open_editor(self, how):
        """Opens the editor with a key press on the main window (ctrl+n, ctrl+e) or a menu."""
        before = set(self.desktop.search(name=harness.EDITOR_NAME))
        if isinstance(how, str):
            self.press_on(self.main_window(), how)
        else:
            how()
        editor = harness.wait_until(
            lambda: [w for w in self.desktop.search(name=harness.EDITOR_NAME) if w not in before],
            what="the editor")[0]
        self.desktop.activate(editor)
        self.desktop.control(CONTENT, window=editor, states=("focused",))  # it starts there
        return editor

    def type_lines(self, text):
        """Types text, pressing Enter for each line break."""
        for i, line in enumerate(text.split("\n")):
            if i:
                self.desktop.key("Return")
            if line:
                self.desktop.type(line)

    def select_row(self, number):
        """Selects list row number (1 = first, in the order shown) with a click on its text,
        and waits until the list has it selected, with the keyboard on it."""
        main = self.main_window()
        self.desktop.activate(main)
        self.desktop.click(*self.desktop.cell(NOTE_LIST, number - 1, TEXT_COLUMN,
                                              window=main).centre)
        self.desktop.cell(NOTE_LIST, number - 1, TEXT_COLUMN, window=main,
                          states=("selected", "focused"))

    def pick_back_colour(self, editor, html):
        """Opens the background colour dialog and enters a colour in its HTML field."""
        self.click_control(editor, BACK_COLOUR)
        dialog = self.desktop.wait_windows(1, name=COLOUR_DIALOG_NAME)[0]
        self.desktop.activate(dialog)
        self.desktop.key("alt+h")  # &HTML:
        self.desktop.control(re.compile("HTML.*"), "text", window=dialog, states=("focused",))
        self.desktop.key("ctrl+a")
        self.desktop.type(html)
        self.desktop.key("Return")  # OK is the default button
        self.desktop.wait_windows(0, name=COLOUR_DIALOG_NAME)
        self.desktop.activate(editor)

    def into_content(self, editor):
        """Clicks into the editor's content box; returns once it has the keyboard."""
        self.click_control(editor, CONTENT)
        self.desktop.control(CONTENT, window=editor, states=("focused",))

    def replace_text(self, editor, text):
        self.into_content(editor)
        self.desktop.key("ctrl+a")
        self.desktop.key("BackSpace")
        self.type_lines(text)


class WritingNotes(EditingTest):
    def test_new_notes_from_the_main_window(self):
        notes_before = self.launch([dict(content="already there", back=0xFFFFFF)])

        # 保存并关闭: one note with apostrophes, Chinese and three lines.
        text = "it's 买牛奶\n'引号' don't\n第三行 end"
        editor = self.open_editor("ctrl+n")
        self.type_lines(text)
        self.click_control(editor, SAVE_AND_CLOSE)
        rows = harness.wait_until(
            lambda: self.desktop.sql("SELECT * FROM Tips WHERE ID > %d" % max(self.ids)),
            timeout=10, what="the new note")
        self.desktop.wait_windows(0, name=harness.EDITOR_NAME)
        self.assertEqual(len(rows), 1, rows)
        row = rows[0]
        self.assertEqual(row["content"], text)
        self.assertEqual(row["CreateTime"], row["ChangeTime"])
        self.assertIn(str(datetime.date.today().year), row["CreateTime"])
        self.assertEqual({k: int(row[k]) for k in ("Visual", "TopMost", "Deleted", "Transparent",
                                                   "BackColor", "FontColor")},
                         dict(Visual=1, TopMost=0, Deleted=0, Transparent=20,
                              BackColor=12648447, FontColor=0))
        after = self.desktop.wait_windows(len(notes_before) + 1, name=harness.NOTE_NAME)
        new = [w for w in after if w not in notes_before]
        self.assertEqual(len(new), 1)
        self.assertEqual(self.note_colour(new[0]), harness.rgb(12648447))
        first_id = int(row["ID"])

        # 保存继续添加 twice in one editor: each click saves and empties the box.
        editor = self.open_editor("ctrl+n")
        texts = ["second 第二条", "third it's 三"]
        for i, t in enumerate(texts):
            self.type_lines(t)
            self.click_control(editor, SAVE_AND_ADD)
            harness.wait_until(
                lambda: len(self.desktop.sql("SELECT ID FROM Tips WHERE ID > %d"
                                             % first_id)) == i + 1,
                timeout=10, what="note %d of the editor" % (i + 1))
            self.desktop.activate(editor)
            self.into_content(editor)
        rows = self.desktop.sql("SELECT content FROM Tips WHERE ID > %d ORDER BY ID" % first_id)
        self.assertEqual([r["content"] for r in rows], texts)
        self.assertEqual(self.desktop.search(name=harness.EDITOR_NAME), [editor])
        self.assert_running()


class ChangingNotes(EditingTest):
    NOTES = [
        dict(content="note one", back=0x00FFFF),  # yellow
        dict(content="note two", back=0x00FF00),  # green
        dict(content="note three", back=0xFFFF00),  # cyan
        dict(content="note four", back=0xFF00FF),  # magenta
        dict(content="note five", back=0xFFFFFF),  # white; the last row
    ]

    def check_edit(self, note_id, wid, geometry_before, text, back):
        row = harness.wait_until(
            lambda: (lambda r: r if r and r["content"] == text else None)(self.row(note_id)),
            timeout=10, what="the changed note")
        self.desktop.wait_windows(0, name=harness.EDITOR_NAME)
        self.assertEqual(row["CreateTime"], SEEDED)
        self.assertNotEqual(row["ChangeTime"], SEEDED)
        self.assertEqual(int(row["BackColor"]), back)
        # The same window, in the same place, now in the new colour.
        self.assertIn(wid, self.notes())
        self.assertEqual(self.desktop.geometry(wid), geometry_before)
        harness.wait_until(lambda: self.note_colour(wid) == harness.rgb(back), timeout=5,
                           what="the note window in its new colour")
        return row

    def test_edit_from_the_list_and_from_the_note(self):
        self.launch(self.NOTES)
        one = self.window_by_colour(self.NOTES[0]["back"])
        two = self.window_by_colour(self.NOTES[1]["back"])
        one_at, two_at = self.desktop.geometry(one), self.desktop.geometry(two)

        # From the list: first row, Ctrl+E.
        self.select_row(1)
        editor = self.open_editor("ctrl+e")
        self.replace_text(editor, "changed 改过 it's\nline two")
        self.pick_back_colour(editor, "#ff0000")
        self.click_control(editor, SAVE_AND_CLOSE)
        row = self.check_edit(self.ids[0], one, one_at, "changed 改过 it's\nline two", 255)
        self.assertEqual(int(row["FontColor"]), 0)

        # From the note's own menu: 修改便签[&E].
        editor = self.open_editor(lambda: self.note_menu(two, "e"))
        self.replace_text(editor, "第二条 changed")
        self.pick_back_colour(editor, "#0000ff")
        # The change time is kept to the second: save once the clock is past the first save's.
        first = datetime.datetime.strptime(row["ChangeTime"], "%d %b %Y %H:%M:%S")
        harness.wait_until(lambda: datetime.datetime.now().replace(microsecond=0) > first,
                           timeout=5, what="the clock past " + row["ChangeTime"])
        self.click_control(editor, SAVE_AND_CLOSE)
        second = self.check_edit(self.ids[1], two, two_at, "第二条 changed", 0xFF0000)
        # Over a second apart: each save stamps its own change time.
        self.assertNotEqual(second["ChangeTime"], row["ChangeTime"])
        # The first note kept its change.
        self.assertEqual(self.row(self.ids[0])["content"], "changed 改过 it's\nline two")
        self.assertEqual(self.note_colour(one), (255, 0, 0))
        self.assert_running()

    def test_delete_from_the_list_and_from_the_note(self):
        self.launch(self.NOTES)
        three = self.window_by_colour(self.NOTES[2]["back"])
        four = self.window_by_colour(self.NOTES[3]["back"])
        others = sorted(set(self.notes()) - {three, four})

        # From the list: third row, Delete; no question is asked.
        self.select_row(3)
        self.desktop.key("Delete")
        harness.wait_until(lambda: self.ids[2] not in self.ids_in_table(), timeout=10,
                           what="the third row to go")
        harness.wait_until(lambda: three not in self.notes(), timeout=5,
                           what="the third note window to close")
        self.assertEqual(self.ids_in_table(), [i for i in self.ids if i != self.ids[2]])

        # From the note's own menu: 删除便签[&D].
        self.note_menu(four, "d")
        harness.wait_until(lambda: self.ids[3] not in self.ids_in_table(), timeout=10,
                           what="the fourth row to go")
        harness.wait_until(lambda: four not in self.notes(), timeout=5,
                           what="the fourth note window to close")
        self.assertEqual(self.ids_in_table(), [self.ids[0], self.ids[1], self.ids[4]])
        self.assertEqual(self.notes(), others)
        self.assert_running()


class AboutLink(EditingTest):
    def test_link_opens_in_the_browser(self):
        fake_bin = os.path.join(self.desktop.root, "fake-bin")
        record = os.path.join(self.desktop.root, "opened.txt")
        os.makedirs(fake_bin)
        opener = os.path.join(fake_bin, "xdg-open")
        with open(opener, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$@" >> "%s"\n' % record)
        os.chmod(opener, os.stat(opener).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
        path = fake_bin + os.pathsep + self.desktop.env()["PATH"]
        self.launch([dict(content="a note")], env=dict(PATH=path))

        self.press_on(self.main_window(), "alt+h")  # 帮助[&H]
        self.desktop.control(re.compile("关于.*"), "menu item")
        self.desktop.key("a")  # 关于[&A]
        about = self.desktop.wait_windows(1, name=ABOUT_NAME)[0]
        # The link is the label named by its address, drawn in blue: click its text.
        line = self.desktop.control(re.compile(r"http://127\.0\.0\.1:9/\S*"), "label",
                                    window=about)
        image = self.desktop.screenshot()
        blue = [(x, y) for x in range(line.x, line.x + line.width)
                for y in range(line.y, line.y + line.height)
                if image.pixel(x, y) == (0, 0, 255)]
        self.assertTrue(blue, "no blue link text in the link's label at %r" % (line,))
        self.assertFalse(os.path.exists(record))
        self.desktop.click(*blue[len(blue) // 2])
        def recorded():
            if not os.path.exists(record):
                return ""
            with open(record, encoding="utf-8") as f:
                return f.read().strip()
        opened = harness.wait_until(recorded, timeout=10, what="the browser to be asked").split()
        self.assertEqual(len(opened), 1, opened)
        self.assertTrue(opened[0].startswith("http://127.0.0.1:9"), opened)
        self.assertTrue(opened[0].endswith("/201072847.html"), opened)
        self.assert_running()


if __name__ == "__main__":
    unittest.main()
