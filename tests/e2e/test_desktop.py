# SPDX-License-Identifier: MIT
"""The program on a desktop: note windows, tray, start with "mini", dragging notes, exit."""

import os
import shutil
import signal
import time
import unittest

import harness


NOTES = [
    dict(content="第一条便签 WWWW", back=0x00FFFF, font=0xFF0000),  # yellow, blue text
    dict(content="it's two WWWW", back=0x00FF00, font=0x0000FF),  # green, red text
    dict(content="three 三 WWWW", back=0xFFFF00, font=0x000000),  # cyan, black text
    dict(content="not shown", back=0xFF00FF, font=0x000000, visual=0),
]
SHOWN = [n for n in NOTES if n.get("visual", 1)]


class DesktopTest(harness.DesktopTestCase):
    def launch(self, *args):
        self.ids = self.desktop.install(NOTES)
        self.app = self.desktop.launch(*args)
        return self.desktop.wait_windows(len(SHOWN), name=harness.NOTE_NAME)

    # ---- finding things ----------------------------------------------------------------

    def main_windows(self):
        """The viewable main window(s); the tray icon shares the caption and is left out."""
        return [w for w in self.desktop.search(name=harness.MAIN_NAME) if not self.in_tray(w)]

    def wait_main(self, shown=True, timeout=10):
        harness.wait_until(lambda: bool(self.main_windows()) == shown, timeout,
                           what="the main window to be %s" % ("shown" if shown else "hidden"))

    def show_from_tray(self):
        """Activates the tray icon: a click, or a double click where a click is not enough."""
        x, y = self.desktop.geometry(self.tray_icon()).centre
        self.desktop.click(x, y)
        try:
            self.wait_main(True, timeout=3)
        except TimeoutError:
            self.desktop.xdotool("click", "--repeat", 2, "--delay", 80, 1)
            self.wait_main(True)

    def assert_running(self):
        self.assertIsNone(self.app.poll(), "the program ended:\n" + self.desktop.log("quillet"))

    def assert_notes_stay(self, count=len(SHOWN)):
        """No note window opens or closes any more: counted once the program is done."""
        self.program_settled()
        self.assertEqual(len(self.desktop.search(name=harness.NOTE_NAME)), count)

    def press_on(self, wid, *keys):
        self.desktop.activate(wid)
        self.desktop.key(*keys)


class NotesOnScreen(DesktopTest):
    def test_one_borderless_window_per_shown_note(self):
        notes = self.launch()
        self.wait_main(True)
        self.assert_notes_stay()  # the note that is not shown gets no window, none doubles
        for wid in notes:
            geometry = self.desktop.geometry(wid)
            self.assertEqual((geometry.width, geometry.height), (170, 120))
            self.assertEqual(self.desktop.property(wid, "_NET_FRAME_EXTENTS"), [0, 0, 0, 0])
            self.assertEqual(self.desktop.property(wid, "WM_NAME"), "Quillet")
        # Notes never take a place in a task bar: the window manager keeps them off its
        # list of normal application windows.
        self.assertIn("_NET_WM_WINDOW_TYPE_UTILITY",
                      self.desktop.property(notes[0], "_NET_WM_WINDOW_TYPE"))
        # Notes have no icon of the program's (openbox gives a window without one its own
        # default icon), and opening them took no focus away from the main window.
        main = self.main_window()
        program_icon = self.desktop.property(main, "_NET_WM_ICON")
        sizes, at = [], 0
        while at + 2 <= len(program_icon or []):  # pictures: width, height, then the pixels
            sizes.append(tuple(program_icon[at:at + 2]))
            at += 2 + program_icon[at] * program_icon[at + 1]
        self.assertIn((16, 16), sizes)
        for wid in notes:
            self.assertNotEqual(self.desktop.property(wid, "_NET_WM_ICON"), program_icon)
        self.assertEqual(int(self.desktop.xdotool("getactivewindow")), main)

    def test_a_note_covered_and_uncovered_shows_the_same_picture(self):
        # The program keeps no copy of a note's pixels between paints: the window system's
        # redraw request makes the note paint itself again.
        notes = self.launch("mini")
        self.tray_icon()
        # A note gives its buffer back after a second without painting: a timer of the
        # program's that nothing outside it shows, so the time is let pass.
        time.sleep(1.5)
        g = self.desktop.geometry(notes[0])

        def changed(image, reference):
            return sum(image.pixel(x, y) != reference.pixel(x, y)
                       for y in range(g.y, g.y + g.height) for x in range(g.x, g.x + g.width))

        before = self.desktop.screenshot()
        self.show_from_tray()
        main = self.main_window()
        self.desktop.xdotool("windowmove", main, g.x, g.y)
        harness.wait_until(lambda: changed(self.desktop.screenshot(), before) >
                           g.width * g.height // 2, interval=0.2, what="the note covered")
        self.desktop.xdotool("windowminimize", main)
        harness.wait_until(lambda: changed(self.desktop.screenshot(), before) == 0,
                           interval=0.2, what="the note uncovered, painted as before")

    def test_mini_start_shows_notes_with_their_colours_and_text(self):
        notes = self.launch("mini")
        self.tray_icon()
        self.program_settled()  # done starting: a main window would be shown by now
        self.assertEqual(self.main_windows(), [])
        self.assert_running()
        image = self.desktop.screenshot()
        by_colour = {}
        for wid in notes:
            g = self.desktop.geometry(wid)
            by_colour.setdefault(image.pixel(g.x + 1, g.y + 1), []).append(g)
        for note in SHOWN:
            windows = by_colour.get(harness.rgb(note["back"]), [])
            self.assertEqual(len(windows), 1, "one window on %r: %r" % (note, by_colour))
            g = windows[0]
            # The text is drawn in the note's text colour inside the 4-pixel margin.
            text_area = harness.Geometry(g.x + 4, g.y + 4, g.width - 8, g.height - 8)
            self.assertIn(harness.rgb(note["font"]), image.colours(text_area), note["content"])
        # Back from the tray.
        self.show_from_tray()
        self.assert_notes_stay()


class TrayAndExit(DesktopTest):
    def test_closing_the_main_window_hides_it_in_the_tray(self):
        self.launch()
        self.wait_main(True)
        main = self.main_windows()[0]
        self.desktop.activate(main)
        shown = self.picture_of(main)
        self.press_on(main, "alt+F4")
        self.wait_main(False)
        self.assert_running()
        self.assert_notes_stay()
        self.show_from_tray()
        self.assert_running()
        self.assert_notes_stay()
        # Hidden, the window kept no pixels; shown again, it paints the same picture.
        harness.wait_until(lambda: self.picture_of(self.main_windows()[0]) == shown,
                           interval=0.2, what="the main window painted as before")

    def picture_of(self, wid):
        """Every fourth pixel of the window, by its place in the window."""
        g = self.desktop.geometry(wid)
        image = self.desktop.screenshot()
        return hash(tuple(image.pixel(g.x + x, g.y + y)
                          for y in range(0, g.height, 4) for x in range(0, g.width, 4)))

    def open_exit_question(self):
        self.wait_main(True)
        self.desktop.activate(self.main_windows()[0])
        self.desktop.open_menu(self.app.pid, lambda: self.desktop.key("alt+f"))
        self.desktop.key("x")
        return self.desktop.wait_windows(1, name=harness.QUESTION_NAME)[0]

    def test_exit_asks_first_no_keeps_everything_yes_ends(self):
        self.launch()
        self.open_exit_question()
        self.desktop.key("Escape")  # No
        self.desktop.wait_windows(0, name=harness.QUESTION_NAME)
        self.assert_running()
        self.assert_notes_stay()
        self.assertEqual(len(self.main_windows()), 1)
        self.assertEqual(len(self.desktop.sql("SELECT ID FROM Tips")), len(NOTES))

        self.open_exit_question()
        status = self.answer_yes_to_exit()
        self.assertEqual(status, 0, self.desktop.log("quillet"))
        self.assertEqual(self.desktop.search(name=harness.NOTE_NAME), [])
        self.assertEqual(len(self.desktop.sql("SELECT ID FROM Tips")), len(NOTES))

    def test_exit_from_the_tray_menu_ends_cleanly(self):
        """Exit picked in the tray icon's own menu, started hidden ("mini") and hidden later."""
        self.launch("mini")
        self.exit_from_tray()
        self.app = self.desktop.launch()
        self.desktop.wait_windows(len(SHOWN), name=harness.NOTE_NAME)
        self.wait_main(True)
        self.press_on(self.main_windows()[0], "alt+F4")
        self.wait_main(False)
        self.exit_from_tray()

    def exit_from_tray(self):
        x, y = self.desktop.geometry(self.tray_icon()).centre
        self.desktop.pick(self.desktop.menu_at(self.app.pid, x, y), "x")  # 退出程序[&X]
        self.desktop.wait_windows(1, name=harness.QUESTION_NAME)
        self.assertEqual(self.answer_yes_to_exit(), 0, self.desktop.log("quillet"))
        self.assertEqual(self.desktop.search(name=harness.NOTE_NAME), [])


class OneProgramPerDatabase(DesktopTest):
    def tray_icons(self):
        """The tray icons of every running copy of the program."""
        return [w for w in self.desktop.search(classname="^quillet$") if self.in_tray(w)]

    def assert_one_program(self):
        self.assert_running()
        self.assert_notes_stay()
        self.assertEqual(len(self.tray_icons()), 1)

    def start_again(self, *args):
        status = self.desktop.start_again(*args)
        self.assertEqual(status, 0, self.desktop.log("quillet-again"))

    def test_a_second_start_hands_over_to_the_running_program(self):
        self.launch()
        self.wait_main(True)
        self.press_on(self.main_windows()[0], "alt+F4")
        self.wait_main(False)
        # The log-on start while the program runs changes nothing on screen ...
        self.start_again("mini")
        self.assert_one_program()
        self.assertEqual(self.main_windows(), [])
        # ... a start from the menu shows the running program's main window.
        self.start_again()
        self.wait_main(True)
        self.assert_one_program()
        self.assertEqual(len(self.main_windows()), 1)

    def test_a_killed_program_does_not_block_the_next_start(self):
        self.launch("mini")
        self.tray_icon()
        os.kill(self.app.pid, signal.SIGKILL)
        self.app.wait(10)
        self.desktop.wait_windows(0, name=harness.NOTE_NAME)
        self.app = self.desktop.launch()
        self.desktop.wait_windows(len(SHOWN), name=harness.NOTE_NAME)
        self.wait_main(True)
        self.tray_icon()
        # The new program is the one later starts find.
        self.start_again("mini")
        self.assert_one_program()


class DraggingNotes(DesktopTest):
    def test_dragging_the_text_moves_the_note(self):
        notes = self.launch("mini")
        note, others = notes[0], notes[1:]
        before = self.desktop.geometry(note)
        others_before = [self.desktop.geometry(w) for w in others]
        start = (before.x + 60, before.y + 40)
        self.desktop.drag(start, (start[0] + 120, start[1] + 70), steps=10)
        after = harness.wait_until(
            lambda: (lambda g: g if g.x != before.x else None)(self.desktop.geometry(note)),
            timeout=3, what="the note to move")
        # The window follows the pointer once the move has begun: at most the first step of
        # the drag (12, 7) is lost to the hand-over.
        self.assertTrue(120 - 12 <= after.x - before.x <= 120, after)
        self.assertTrue(70 - 7 <= after.y - before.y <= 70, after)
        self.assertEqual((after.width, after.height), (before.width, before.height))
        self.assertEqual([self.desktop.geometry(w) for w in others], others_before)
        # The pointer is free again: moving it on leaves the note where it is.
        self.desktop.move(after.x + 300, after.y + 200)
        self.desktop.sync_input(note)
        self.assertEqual(self.desktop.geometry(note), after)

    def test_dragging_the_bottom_right_corner_resizes_the_note(self):
        notes = self.launch("mini")
        note = notes[0]
        before = self.desktop.geometry(note)
        corner = (before.x + before.width - 1, before.y + before.height - 1)
        self.desktop.drag(corner, (corner[0] + 60, corner[1] + 40), steps=6)
        after = harness.wait_until(
            lambda: (lambda g: g if g.width != before.width else None)(
                self.desktop.geometry(note)), timeout=3, what="the note to resize")
        self.assertEqual((after.x, after.y), (before.x, before.y))
        self.assertAlmostEqual(after.width, before.width + 60, delta=2)
        self.assertAlmostEqual(after.height, before.height + 40, delta=2)
        self.desktop.move(after.x + 400, after.y + 300)
        self.desktop.sync_input(note)
        self.assertEqual(self.desktop.geometry(note), after)

    def test_right_click_opens_the_note_menu_for_that_note(self):
        notes = self.launch("mini")
        note = notes[1]
        g = self.desktop.geometry(note)
        menu = self.desktop.menu_at(self.app.pid, g.x + 60, g.y + 40)
        self.desktop.pick(menu, "c")  # 关闭窗口[&C]: closes this note's window only
        harness.wait_until(lambda: note not in self.desktop.search(name=harness.NOTE_NAME),
                           timeout=5, what="the note window to close")
        self.assert_notes_stay(len(SHOWN) - 1)
        self.assertEqual(sorted(set(notes) - {note}),
                         sorted(self.desktop.search(name=harness.NOTE_NAME)))
        self.assertEqual(len(self.desktop.sql("SELECT ID FROM Tips")), len(NOTES))


class NewNote(DesktopTest):
    accessible = True  # write_note_in_editor finds 保存并关闭 by name

    def test_note_written_from_the_tray_menu_appears_on_the_desktop(self):
        if shutil.which("xmodmap") is None:
            self.skipTest("typing Chinese reliably needs xmodmap (x11-xserver-utils)")
        self.launch("mini")
        x, y = self.desktop.geometry(self.tray_icon()).centre
        self.desktop.pick(self.desktop.menu_at(self.app.pid, x, y), "n")  # 新建便签[&N]
        text = "买牛奶，还有面包！ it's 2 点"
        rows = self.write_note_in_editor(text, max(self.ids))
        self.assertEqual([(r["content"], int(r["Visual"])) for r in rows], [(text, 1)])
        self.desktop.wait_windows(len(SHOWN) + 1, name=harness.NOTE_NAME)


if __name__ == "__main__":
    unittest.main()
