# SPDX-License-Identifier: MIT
"""Quillet from the keyboard, as a screen reader meets it: the program runs with Qt's AT-SPI
bridge on a private session bus, and the tree and the events are read as Orca reads them."""

import json
import unittest

import harness
from harness import READER, atspi_python, nodes

# The names of a list row's check box while it is set and while it is clear.
SHOWN, NOT_SHOWN = "已显示在桌面", "未显示在桌面"


def named(tree, name):
    return [n for n in nodes(tree) if n["name"] == name]


class AccessibilityTest(harness.DesktopTestCase):
    accessible = True

    def setUp(self):
        super().setUp()
        self.events_seen = 0
        self.desktop._spawn("atspi-events", [atspi_python(), READER, "events"],
                            env=self.desktop.env(DBUS_SESSION_BUS_ADDRESS=self.desktop.bus))
        self.next_event(lambda e: e.get("ready"), "the event reader")

    def launch(self, notes):
        self.ids = self.desktop.install(notes)
        self.app = self.desktop.launch()

    # ---- reading what a screen reader reads --------------------------------------------

    def tree(self):
        return self.desktop.accessible_tree()

    def wait_tree(self, predicate, what):
        """The first tree for which predicate holds."""
        found = []

        def ready():
            tree = self.tree()
            if tree is not None and predicate(tree):
                found.append(tree)
            return found

        try:
            return harness.wait_until(ready, timeout=20, interval=0.2, what=what)[0]
        except TimeoutError as e:
            raise AssertionError("%s\n--- last tree:\n%s\n--- program log:\n%s" % (
                e, json.dumps(self.tree(), ensure_ascii=False, indent=1)[:20000],
                self.desktop.log("quillet"))) from None

    def next_event(self, predicate, what, timeout=10):
        """Waits for the next event the reader printed that satisfies predicate; the events
        before it are passed over for good."""
        def find():
            lines = self.desktop.log("atspi-events").splitlines()
            for i in range(self.events_seen, len(lines)):
                event = json.loads(lines[i])
                if predicate(event):
                    self.events_seen = i + 1
                    return event
            return None

        try:
            return harness.wait_until(find, timeout=timeout, what=what)
        except TimeoutError as e:
            raise AssertionError("%s\n--- events:\n%s" % (
                e, "\n".join(self.desktop.log("atspi-events").splitlines()[self.events_seen:]))
            ) from None

    def menu_opened(self, item, what):
        """Waits for a menu item to take the focus in a menu that has an item starting with
        `item`; returns the focused item."""
        return self.next_event(
            lambda e: e.get("event", "").endswith(":focused") and e["role"] == "menu item"
            and any(s.startswith(item) for s in e["siblings"]), what)

    def wait_notes(self, count):
        """Waits until exactly count note windows are shown; returns them. (The tray icon
        shares their caption, and a search by name also finds the main window's icon name.)"""
        found = []

        def ready():
            found[:] = [w for w in self.desktop.search(name="^Quillet$", pid=self.app.pid)
                        if not self.in_tray(w) and self.desktop.window_name(w) == "Quillet"]
            return len(found) == count

        harness.wait_until(ready, what="%d note window(s)" % count)
        return found

    # ---- the test ----------------------------------------------------------------------

    def test_keyboard_and_screen_reader(self):
        self.launch([dict(content="看得见的便签"), dict(content="藏起来的便签", visual=0)])
        d = self.desktop

        # At start the keyboard is in the note list, and everything on the way is named.
        tree = self.wait_tree(lambda t: any("focused" in n["states"] and n["role"] != "page tab"
                                            for n in nodes(t)),
                              "the keyboard focus in the main window")
        note_list = named(tree, "便签列表")
        self.assertEqual(len(note_list), 1)
        self.assertIn("focused", note_list[0]["states"])
        self.assertTrue(note_list[0]["description"])
        advert = named(tree, "广告")
        self.assertEqual(len(advert), 1)
        self.assertNotIn("focused", advert[0]["states"])
        self.assertTrue(advert[0]["description"])
        # Each row's check box tells by its name and its state whether the note is shown.
        boxes = [n for n in note_list[0]["children"] if n["description"]]
        self.assertEqual([(b["name"], "checked" in b["states"]) for b in boxes],
                         [(SHOWN, True), (NOT_SHOWN, False)])
        note = named(tree, "桌面便签")
        self.assertEqual(len(note), 1)
        self.assertTrue(note[0]["description"])
        self.assertIn("看得见的便签", [n["name"] for n in nodes(note[0])])

        # Space hides and shows the note of the row the keyboard is on, and says so.
        main = self.main_window()
        d.key("space", window=main)
        self.next_event(lambda e: e.get("event", "").endswith(":checked") and e["value"] == 0
                        and e["name"] == NOT_SHOWN, "the check box cleared")
        self.wait_notes(0)
        d.key("space", window=main)
        self.next_event(lambda e: e.get("event", "").endswith(":checked") and e["value"] == 1
                        and e["name"] == SHOWN, "the check box set")
        note_window = self.wait_notes(1)[0]

        # The Menu key and Shift+F10 open the list menu with its first item highlighted.
        d.activate(main)
        windows = set(d.search(pid=self.app.pid))
        for keys in ("Menu", "shift+F10"):
            d.key(keys)
            self.menu_opened("刷新列表", "the list menu from " + keys)
            d.key("Escape")
            harness.wait_until(lambda: set(d.search(pid=self.app.pid)) == windows,
                               what="the menu to close")

        # The editor, opened from the keyboard, starts in its named content box.
        d.key("ctrl+n")
        tree = self.wait_tree(lambda t: named(t, "便签内容"), "the editor")
        content = named(tree, "便签内容")[0]
        self.assertIn("focused", content["states"])
        self.assertTrue(content["description"])
        d.key("alt+F4")
        d.wait_windows(0, name=harness.EDITOR_NAME)

        # In the note window the user made active, the Menu key opens that note's menu; its
        # close command closes that very note.
        d.activate(note_window)
        d.key("Menu")
        self.menu_opened("关闭窗口", "the note menu")
        d.key("c")
        self.wait_notes(0)
        self.next_event(lambda e: e.get("event", "").endswith(":checked") and e["value"] == 0,
                        "the note's check box cleared")


if __name__ == "__main__":
    unittest.main()
