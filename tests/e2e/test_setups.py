# SPDX-License-Identifier: MIT
"""The program on different X11 desktops: without a window manager, without a tray host (and
with one started later), and on a high-DPI screen (QT_SCALE_FACTOR=2)."""

import unittest

import harness


NOTES = [
    dict(content="first note WWWW", back=0x00FFFF, font=0xFF0000),
    dict(content="second note WWWW", back=0x00FF00, font=0x0000FF),
    dict(content="kept off the desktop", back=0xFF00FF, font=0x000000, visual=0),
]
SHOWN = [n for n in NOTES if n.get("visual", 1)]


class SetupTest(harness.DesktopTestCase):
    """Finding the program's windows the same way whatever the desktop around it."""

    def launch(self, *args, notes=NOTES):
        self.notes = notes
        self.ids = self.desktop.install(notes)
        self.app = self.desktop.launch(*args)
        return self.desktop.wait_windows(sum(1 for n in notes if n.get("visual", 1)),
                                         name=harness.NOTE_NAME)

    def note_windows(self):
        return self.desktop.search(name=harness.NOTE_NAME)

    def assert_running(self):
        self.assertIsNone(self.app.poll(), "the program ended:\n" + self.desktop.log("quillet"))

    def wait_notes(self, count):
        return self.desktop.wait_windows(count, name=harness.NOTE_NAME)

    def wait_state(self, wid, state, timeout=10):
        harness.wait_until(lambda: self.desktop.wm_state(wid) == state, timeout,
                           what="window state %s (now %s)" % (state,
                                                              self.desktop.wm_state(wid)))

    def window_under(self, x, y):
        self.desktop.move(x, y)
        out = self.desktop.xdotool("getmouselocation", "--shell")
        return int(dict(line.split("=", 1) for line in out.split())["WINDOW"])

    def popup(self, x, y, key):
        """Opens a popup menu with a right click at x, y and picks an item by its key."""
        self.desktop.pick(self.desktop.menu_at(self.app.pid, x, y), key)

    def list_menu(self, key):
        """Picks an item of the list's popup menu, opened over the list's empty lower part."""
        g = self.desktop.geometry(self.main_window(visible=False))
        self.popup(g.x + g.width // 2, g.y + g.height - 40, key)

    def main_menu(self, *keys):
        """Walks the main window's menu bar with the keyboard: alt+letter, then items."""
        main = self.main_window(visible=False)
        self.desktop.activate(main)
        self.desktop.open_menu(self.app.pid, lambda: self.desktop.key("alt+" + keys[0]))
        for k in keys[1:]:
            self.desktop.key(k)

    def visual_column(self):
        return [int(r["Visual"]) for r in self.desktop.sql("SELECT Visual FROM Tips ORDER BY ID")]

    def exit_with_yes(self):
        self.main_menu("f", "x")  # 文件[&F] → 退出程序[&X]
        self.desktop.wait_windows(1, name=harness.QUESTION_NAME)
        status = self.answer_yes_to_exit()
        self.assertEqual(status, 0, self.desktop.log("quillet"))
        self.assertEqual(self.note_windows(), [])
        rows = self.desktop.sql("PRAGMA integrity_check")
        self.assertEqual(list(rows[0].values()), ["ok"])


class OpenboxWithTray(SetupTest):
    """The usual desktop: openbox with a tray host. What the desktop tests leave out."""

    def test_tray_menu_hides_and_shows_every_note(self):
        self.launch("mini")
        icon = self.desktop.geometry(self.tray_icon())
        before = self.visual_column()
        self.popup(*icon.centre, "h")  # 全部隐藏[&H]
        self.wait_notes(0)
        self.assert_running()
        # Twice is harmless, and the marks never reach the database.
        self.popup(*icon.centre, "h")
        self.program_settled()
        self.assertEqual(self.note_windows(), [])
        self.assertEqual(self.visual_column(), before)

        self.popup(*icon.centre, "s")  # 全部显示[&S]: every note, the one kept off included
        shown = self.wait_notes(len(NOTES))
        self.popup(*icon.centre, "s")  # nothing doubles
        self.program_settled()
        self.assertEqual(sorted(self.note_windows()), sorted(shown))
        self.assertEqual(self.visual_column(), before)
        self.assertEqual(len(self.desktop.sql("SELECT ID FROM Tips")), len(NOTES))


class NoWindowManager(SetupTest):
    """Bare X server: nobody places, frames, moves or sizes windows but the program."""

    tray = False
    window_manager = False
    accessible = True  # write_note_in_editor finds 保存并关闭 by name

    def test_notes_move_resize_and_close_by_themselves(self):
        notes = self.launch()
        for wid in notes:
            self.assertEqual(self.desktop.geometry(wid).tuple()[2:], (170, 120))
        self.main_window()  # shown
        # The notes open where the window system puts new windows; without a window manager
        # they may overlap: act on the one that is on top.
        first = self.desktop.geometry(notes[0])
        top = self.window_under(first.x + 60, first.y + 40)
        self.assertIn(top, notes)
        other = [w for w in notes if w != top][0]
        other_before = self.desktop.geometry(other)

        before = self.desktop.geometry(top)
        start = (before.x + 60, before.y + 40)
        self.desktop.drag(start, (start[0] + 120, start[1] + 70), steps=10)
        moved = harness.wait_until(
            lambda: (lambda g: g if (g.x, g.y) == (before.x + 120, before.y + 70) else None)(
                self.desktop.geometry(top)), timeout=5, what="the note to follow the pointer")
        self.assertEqual((moved.width, moved.height), (170, 120))
        self.assertEqual(self.desktop.geometry(other), other_before)
        # The button is up: the note no longer follows the pointer.
        self.desktop.move(moved.x + 300, moved.y + 200)
        self.desktop.sync_input(top)
        self.assertEqual(self.desktop.geometry(top), moved)

        corner = (moved.x + moved.width - 1, moved.y + moved.height - 1)
        self.desktop.drag(corner, (corner[0] + 60, corner[1] + 40), steps=6)
        sized = harness.wait_until(
            lambda: (lambda g: g if (g.width, g.height) == (230, 160) else None)(
                self.desktop.geometry(top)), timeout=5, what="the note to grow")
        self.assertEqual((sized.x, sized.y), (moved.x, moved.y))
        self.desktop.move(sized.x + 400, sized.y + 300)
        self.desktop.sync_input(top)
        self.assertEqual(self.desktop.geometry(top), sized)

        # The note menu opens without a window manager too; 关闭窗口[&C] closes that note only.
        self.popup(sized.x + 60, sized.y + 40, "c")
        harness.wait_until(lambda: top not in self.note_windows(), timeout=5,
                           what="the note window to close")
        self.assertEqual(self.note_windows(), [other])
        self.assertEqual(len(self.desktop.sql("SELECT ID FROM Tips")), len(NOTES))
        self.assert_running()

    def test_list_menu_editor_and_exit(self):
        self.launch()
        before = self.visual_column()
        self.list_menu("h")  # 列表菜单 → 全部隐藏[&H]
        self.wait_notes(0)
        self.list_menu("s")  # 列表菜单 → 全部显示[&S]
        self.wait_notes(len(NOTES))
        self.assertEqual(self.visual_column(), before)

        self.main_menu("f", "n")  # 文件[&F] → 新建便签[&N]
        text = "written without a window manager"
        rows = self.write_note_in_editor(text, max(self.ids))
        self.assertEqual([(r["content"], int(r["Visual"])) for r in rows], [(text, 1)])
        self.wait_notes(len(NOTES) + 1)
        self.exit_with_yes()


class NoTray(SetupTest):
    """openbox without a tray host: the main window must stay within reach."""

    tray = False

    def close_main(self, main):
        self.desktop.activate(main)
        self.desktop.key("alt+F4")

    def show_from_tray(self, icon, main):
        """Activates the tray icon: a click, or a double click where a click is not enough;
        true when the main window is shown in its normal state afterwards."""
        def shown():
            return self.desktop.is_viewable(main) and self.desktop.wm_state(main) == "Normal"
        self.desktop.click(*icon.centre)
        try:
            return harness.wait_until(shown, timeout=3)
        except TimeoutError:
            self.desktop.xdotool("click", "--repeat", 2, "--delay", 80, 1)
        try:
            return harness.wait_until(shown, timeout=5)
        except TimeoutError:
            return False

    def test_closing_minimises_until_a_tray_host_appears(self):
        self.launch()
        main = self.main_window(visible=False)
        self.wait_state(main, "Normal")
        self.close_main(main)
        self.wait_state(main, "Iconic")  # minimised: still in the window manager's list
        self.assert_running()
        self.assertEqual(len(self.note_windows()), len(SHOWN))
        self.desktop.activate(main)  # the way back, as a task list would do it
        self.wait_state(main, "Normal")
        harness.wait_until(lambda: self.desktop.is_viewable(main), what="the window back")

        # The session starts its panel late: the icon embeds and its menu works ...
        self.desktop.start_tray()
        icon = self.desktop.geometry(self.tray_icon())
        self.popup(*icon.centre, "h")  # 全部隐藏[&H]
        self.wait_notes(0)
        self.popup(*icon.centre, "s")  # 全部显示[&S]
        self.wait_notes(len(NOTES))
        # ... and closing hides the window again instead of minimising it.
        self.close_main(main)
        harness.wait_until(lambda: not self.desktop.is_viewable(main), what="the window hidden")
        self.desktop.sync_input(main)  # a minimised window would be marked by now
        self.assertNotEqual(self.desktop.wm_state(main), "Iconic")
        self.assertEqual(len(self.note_windows()), len(NOTES))
        self.assert_running()

    def test_tray_shows_a_window_that_was_minimised_without_tray(self):
        """Once the program has minimised its window itself (started with "mini" while there
        was no tray) and the user has restored it, Qt's X11 backend still marks the window
        as starting iconic; hidden later into a tray that appeared meanwhile, the window
        must come back from the tray icon shown, not minimised."""
        self.launch("mini")
        main = self.main_window(visible=False)
        self.wait_state(main, "Iconic")
        self.desktop.activate(main)
        self.wait_state(main, "Normal")
        self.desktop.start_tray()
        icon = self.desktop.geometry(self.tray_icon())
        self.close_main(main)
        harness.wait_until(lambda: not self.desktop.is_viewable(main), what="the window hidden")
        self.assertTrue(self.show_from_tray(icon, main),
                        "state after the tray click: %s" % self.desktop.wm_state(main))

    def test_mini_starts_minimised_and_exit_still_works(self):
        self.launch("mini")
        main = self.main_window(visible=False)
        self.wait_state(main, "Iconic")
        self.assertEqual(len(self.note_windows()), len(SHOWN))
        self.desktop.activate(main)
        self.wait_state(main, "Normal")
        self.exit_with_yes()


class HighDpi(SetupTest):
    """QT_SCALE_FACTOR=2: every size the program lays out in twips doubles on the screen."""

    tray = False
    scale = 2
    screen = "1920x1200x24"

    def note_geometry_after_drag(self, wid, local, distance):
        """Drags from a point given in device pixels inside the note; returns the new
        geometry once it has changed."""
        before = self.desktop.geometry(wid)
        start = (before.x + local[0], before.y + local[1])
        self.desktop.drag(start, (start[0] + distance[0], start[1] + distance[1]), steps=8)
        harness.wait_until(lambda: self.desktop.geometry(wid) != before, timeout=5,
                           what="the note to change")
        self.desktop.move(10, 10)
        return before, self.desktop.settled(wid)

    def test_sizes_band_and_columns_in_device_pixels(self):
        note = self.launch("mini", notes=[dict(content="high dpi WWWW", back=0x00FFFF)])[0]
        g = self.desktop.geometry(note)
        self.assertEqual((g.width, g.height), (340, 240))

        # The resize band is 3 pixels of the design, 6 on this screen: on the right edge the
        # columns 334..339 of 340 resize, column 332 belongs to the margin, which moves. (The
        # column between, 333, lies half a design pixel outside the band, but Qt hands the
        # program pointer positions rounded to whole design pixels, which puts it inside.)
        before, after = self.note_geometry_after_drag(note, (334, 120), (80, 0))
        self.assertEqual((after.x, after.y), (before.x, before.y))
        self.assertAlmostEqual(after.width, 420, delta=2)
        self.assertEqual(after.height, 240)
        before, after = self.note_geometry_after_drag(note, (after.width - 8, 120), (80, 0))
        self.assertEqual((after.width, after.height), (before.width, before.height))
        self.assertTrue(80 - 10 <= after.x - before.x <= 80, after)
        # The bottom edge the same way: row 234 of 240 resizes, row 232 moves.
        before, after = self.note_geometry_after_drag(note, (100, 234), (0, 60))
        self.assertEqual((after.x, after.y, after.width), (before.x, before.y, before.width))
        self.assertAlmostEqual(after.height, 300, delta=2)
        before, after = self.note_geometry_after_drag(note, (100, after.height - 8), (0, 60))
        self.assertEqual((after.width, after.height), (before.width, before.height))
        self.assertTrue(60 - 8 <= after.y - before.y <= 60, after)
        # The left edge: column 6 (exactly 3 design pixels in) still resizes, column 8 moves.
        before, after = self.note_geometry_after_drag(note, (6, 120), (-40, 0))
        self.assertEqual((after.y, after.height), (before.y, before.height))
        self.assertAlmostEqual(after.x, before.x - 40, delta=2)
        self.assertAlmostEqual(after.width, before.width + 40, delta=2)
        before, after = self.note_geometry_after_drag(note, (8, 120), (-80, 0))
        self.assertEqual((after.width, after.height), (before.width, before.height))
        self.assertTrue(80 - 10 <= before.x - after.x <= 80, after)

        # The list's columns: 540, 1, 4000, 2000 and 2000 twips.
        main = self.main_window(visible=False)
        self.desktop.activate(main)
        self.assertAlmostEqual(self.desktop.geometry(main).width, 9480 * 2 // 15, delta=4)
        # The header lies in the upper half of the window; the raised window may still be
        # moving and repainting, so look again until it shows its columns.
        gaps = []

        def columns():
            m = self.desktop.geometry(main)
            gaps[:] = header_gaps(self.desktop.screenshot(),
                                  harness.Geometry(m.x, m.y, m.width, m.height // 2))
            # 显示 540 twips (72 pixels), 编号 1 twip (none), 内容 4000 (533), 创建时间 2000 (267).
            return any(abs(a - 72) <= 2 and abs(b - 533) <= 2 and abs(c - 267) <= 2
                       for a, b, c in zip(gaps, gaps[1:], gaps[2:]))
        try:
            harness.wait_until(columns, timeout=5, interval=0.2, what="the list's columns")
        except TimeoutError:
            self.fail("column widths in device pixels: %r" % gaps)


def header_gaps(image, area, min_run=30):
    """Distances between the vertical lines that separate a list header's sections.

    A section separator is a line one to three pixels wide, darker than the pixels on both
    sides of it, over at least min_run rows (taller than any letter of the header). The x
    positions where such lines start are collected row by row; the largest set that holds
    for min_run consecutive rows is the header's."""
    def darker(p, q):  # p clearly darker than q
        return sum(q) - sum(p) > 60

    lines = {}  # y -> set of x where a separator line starts
    x0, x1 = max(1, area.x), min(image.width - 4, area.x + area.width)
    for y in range(max(0, area.y), min(image.height, area.y + area.height)):
        found = set()
        for x in range(x0, x1):
            before, here = image.pixel(x - 1, y), image.pixel(x, y)
            if not darker(here, before):
                continue
            for width in (1, 2, 3):
                after = image.pixel(x + width, y)
                if darker(here, after) and all(image.pixel(x + i, y) == here
                                               for i in range(width)):
                    found.add(x)
                    break
        if found:
            lines[y] = found
    best = set()
    for y in sorted(lines):
        common = set(lines[y])
        for dy in range(1, min_run):
            common &= lines.get(y + dy, set())
            if not common:
                break
        if len(common) > len(best):
            best = common
    xs = sorted(best)
    return [b - a for a, b in zip(xs, xs[1:])]


if __name__ == "__main__":
    unittest.main()
