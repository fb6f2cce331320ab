# SPDX-License-Identifier: MIT
"""Start at log-on from the main window's menu: 工具 → 开机自动启动程序[&R] writes and removes the
program's autostart entry, and its check mark shows whether the entry starts this very program.

The check mark is read from the screen: the menu is opened with the mouse and the left edge of
the item, where the check box is drawn, is compared between states and across restarts."""

import os
import re
import shlex
import shutil
import subprocess
import tempfile
import unittest

import harness

ITEM_TEXT = "开机自动启动程序"
# The menu bar and the checked item's box, as the program's menu style draws them.
BAR_COLOUR = (0xA5, 0xC3, 0xFF)
CHECK_BOX_COLOUR = (0xEF, 0xBA, 0x7B)
# The check box sits in the popup's left margin: a 4-pixel side bar, then 5 pixels, then 13.
CHECK_AREA_WIDTH = 26


class AutostartMenuItem(harness.DesktopTestCase):
    # ---- the program -------------------------------------------------------------------

    def setUp(self):
        super().setUp()
        self.desktop.install()
        self.program = os.path.join(self.desktop.app_dir, "quillet")
        self.entry = os.path.join(self.desktop.home, ".config", "autostart", "Quillet.desktop")

    def start_program(self):
        self.app = self.desktop.launch()
        self.main = self.main_window(timeout=15)
        # The menu bar is drawn once the window is up; wait until it reads as four titles.
        self.titles = harness.wait_until(self.menu_titles, timeout=10, what="the menu bar")

    def stop_program(self):
        self.desktop._stop("quillet")
        self.assertIsNotNone(self.app.poll())

    def restart_program(self):
        self.stop_program()
        self.start_program()

    # ---- the menu, as seen on the screen -------------------------------------------------

    def menu_titles(self):
        """Centres of the menu bar's titles, found from the dark text on the bar's colour."""
        g = self.desktop.geometry(self.main)
        image = self.desktop.screenshot()
        right = g.x + g.width - 4
        rows = [y for y in range(g.y, min(g.y + 60, image.height))
                if image.pixel(right, y) == BAR_COLOUR]
        if not rows:
            return None
        top = rows[0]
        bottom = top
        while bottom + 1 in rows:
            bottom += 1
        columns = [x for x in range(g.x, g.x + g.width)
                   if any(sum(image.pixel(x, y)) < 200 for y in range(top, bottom + 1))]
        groups = []
        for x in columns:
            if groups and x - groups[-1][1] <= 6:
                groups[-1][1] = x
            else:
                groups.append([x, x])
        if len(groups) != 4:  # 文件 编辑 工具 帮助
            return None
        return [((a + b) // 2, (top + bottom) // 2) for a, b in groups]

    def popups(self):
        return self.desktop.menus(self.app.pid)

    def open_tools_menu(self):
        """Clicks 工具 in the menu bar; returns the popup's geometry once it is drawn."""
        self.assertEqual(self.popups(), [], "a menu is already open")
        x, y = self.titles[2]
        self.desktop.click(x, y)
        popup = self.desktop.geometry(harness.wait_until(
            lambda: (self.popups() or [None])[0], timeout=5, what="the 工具 menu"))
        # Right under its title, and the item drawn (the popup's blue side bar shows it).
        self.assertTrue(popup.x <= x < popup.x + popup.width, popup)
        self.assertGreater(popup.y, y)
        harness.wait_until(
            lambda: self.desktop.screenshot().pixel(popup.x + 1, popup.centre[1]) == (0, 0, 255),
            timeout=5, what="the 工具 menu to be drawn")
        return popup

    def check_area(self, popup):
        """The popup's left margin, where the item's check box is drawn: the pixels row by
        row, and the colours in it. The pointer stays on the title, so the item is not
        highlighted."""
        self.program_settled()  # whatever the menu had still to paint is on the screen
        image = self.desktop.screenshot()
        box = harness.Geometry(popup.x, popup.y, CHECK_AREA_WIDTH, popup.height)
        pixels = tuple(image.pixel(x, y) for y in range(box.y, box.y + box.height)
                       for x in range(box.x, box.x + box.width))
        return pixels, image.colours(box)

    def close_menu(self):
        self.desktop.key("Escape")
        harness.wait_until(lambda: not self.popups(), timeout=5, what="the menu to close")

    def look_at_item(self):
        """Opens 工具, reads the item's check area, closes the menu again."""
        popup = self.open_tools_menu()
        area = self.check_area(popup)
        self.close_menu()
        return area

    def click_item(self):
        """Opens 工具 and clicks the item, the first of the two the menu shows (记住便签位置
        follows it)."""
        popup = self.open_tools_menu()
        self.desktop.click(popup.centre[0], popup.y + popup.height // 4)
        harness.wait_until(lambda: not self.popups(), timeout=5,
                           what="the menu to close after the click")
        self.desktop.move(*self.titles[2])  # off the menu, as before
        self.program_settled()

    def assert_looks_like(self, area, reference, message):
        """The check area drawn pixel for pixel as in the reference (compared without
        printing thousands of pixels)."""
        if area[0] != reference[0]:
            self.fail("%s; colours now %r, before %r"
                      % (message, sorted(area[1]), sorted(reference[1])))

    def assert_checked(self, area, checked):
        self.assertEqual(CHECK_BOX_COLOUR in area[1], checked,
                         "the item should %sbe checked; colours in its check area: %r"
                         % ("" if checked else "not ", sorted(area[1])))

    # ---- the entry ---------------------------------------------------------------------

    def read_entry(self):
        with open(self.entry, "rb") as f:
            return f.read()

    def entry_keys(self):
        keys = {}
        group = None
        for line in self.read_entry().decode("utf-8").splitlines():
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and "=" in line:
                key, value = line.split("=", 1)
                keys[key.strip()] = value.strip()
        return keys

    def dex_commands(self):
        """What a session's autostart (dex) would run, with no system-wide entries."""
        if shutil.which("dex") is None:
            return None
        empty = tempfile.mkdtemp(prefix="no-system-config-", dir=self.desktop.root)
        out = subprocess.run(
            ["dex", "--autostart", "--dry-run"],
            env=self.desktop.env(XDG_CONFIG_DIRS=empty), capture_output=True, text=True,
            timeout=30)
        self.assertEqual(out.returncode, 0, out.stdout + out.stderr)
        return re.findall(r"^Executing command: (.*)$", out.stdout + out.stderr, re.M)

    # ---- the tests ---------------------------------------------------------------------

    def test_click_registers_this_program_and_a_second_click_removes_it(self):
        self.assertFalse(os.path.exists(self.entry))
        self.start_program()
        unchecked = self.look_at_item()
        self.assert_checked(unchecked, False)
        self.assertFalse(os.path.exists(self.entry), "looking at the menu wrote an entry")

        self.click_item()
        harness.wait_until(lambda: os.path.exists(self.entry), timeout=5,
                           what="the autostart entry")
        keys = self.entry_keys()
        self.assertEqual(keys.get("Type"), "Application")
        self.assertEqual(shlex.split(keys["Exec"]), [self.program, "mini"], keys)
        self.assertNotEqual(keys.get("Hidden"), "true")
        checked = self.look_at_item()
        self.assert_checked(checked, True)
        self.assertNotEqual(checked[0], unchecked[0], "the check area did not change")

        commands = self.dex_commands()
        if commands is not None:
            self.assertEqual(len(commands), 1, commands)
            # dex prints the program and its arguments joined by blanks; the path has none.
            self.assertEqual(commands[0], self.program + " mini")

        # The mark comes back from the entry on the next start.
        written = self.read_entry()
        self.restart_program()
        after_restart = self.look_at_item()
        self.assert_looks_like(after_restart, checked, "not checked after a restart with the "
                               "entry in place")
        self.assertEqual(self.read_entry(), written)

        # A second click removes the entry and takes the mark away.
        self.click_item()
        harness.wait_until(lambda: not os.path.exists(self.entry), timeout=5,
                           what="the autostart entry to be removed")
        self.assert_looks_like(self.look_at_item(), unchecked, "still checked after the entry "
                               "was removed")
        if commands is not None:
            self.assertEqual(self.dex_commands(), [])
        self.restart_program()
        self.assert_looks_like(self.look_at_item(), unchecked, "checked after a restart without "
                               "an entry")
        self.assertFalse(os.path.exists(self.entry))

    def test_entry_for_another_path_is_left_alone(self):
        # A genuine entry made by the program, then moved to another copy of it: a folder
        # whose name starts with this one's, so only the whole path tells them apart.
        self.start_program()
        unchecked = self.look_at_item()
        self.assert_checked(unchecked, False)
        self.click_item()
        harness.wait_until(lambda: os.path.exists(self.entry), timeout=5,
                           what="the autostart entry")
        checked = self.look_at_item()
        self.assert_checked(checked, True)
        self.stop_program()

        other = os.path.join(self.desktop.root, "app-old", "quillet")
        text = self.read_entry().decode("utf-8")
        self.assertEqual(text.count(self.program), 3, text)  # Exec, TryExec, the command
        foreign = text.replace(self.program, other).encode("utf-8")
        with open(self.entry, "wb") as f:
            f.write(foreign)
        self.assertEqual(shlex.split(self.entry_keys()["Exec"]), [other, "mini"])

        self.start_program()
        self.assert_looks_like(self.look_at_item(), unchecked,
                               "an entry for another path shows as this program's")
        self.click_item()
        self.assert_looks_like(self.look_at_item(), checked, "the click did not check the item")
        self.assertEqual(self.read_entry(), foreign, "the other program's entry was changed")

        self.restart_program()
        self.assert_looks_like(self.look_at_item(), unchecked,
                               "an entry for another path shows as this program's after a restart")
        self.assertEqual(self.read_entry(), foreign)


if __name__ == "__main__":
    unittest.main()
