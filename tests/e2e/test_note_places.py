# SPDX-License-Identifier: MIT
"""工具 → 记住便签位置 on X11: a note opens again where the user put it, with the size given,
and a place off the screen comes back onto it."""

import json
import os
import signal
import unittest

import harness


class NotePlacesTest(harness.DesktopTestCase):
    def note(self):
        return self.desktop.wait_windows(1, name=harness.NOTE_NAME)[0]

    def restart(self):
        self.app.send_signal(signal.SIGTERM)
        self.assertEqual(self.app.wait(15), 0, self.desktop.log("quillet"))
        self.desktop.procs.pop("quillet", None)
        self.app = self.desktop.launch()
        return self.desktop.settled(self.note())  # placed by the window manager

    def stored(self):
        """The program's settings store (a JSON file in its config folder): the text of every
        value, by key path and value name."""
        try:
            with open(os.path.join(self.desktop.home, ".config", "Quillet", "registry.json"),
                      encoding="utf-8") as f:
                roots = json.load(f)["roots"]
        except FileNotFoundError:
            return {}
        found = {}

        def walk(path, node):
            for value in node.get("values", []):
                text = bytes.fromhex(value["data"]).rstrip(b"\0").decode("utf-8")
                found[(path, value["name"])] = text
            for name, child in node.get("keys", {}).items():
                walk(path + "\\" + name, child)
        for name, node in roots.items():
            walk(name, node)
        return found

    def place(self, note, x, y, width, height, remembered):
        self.desktop.xdotool("windowsize", note, width, height)
        self.desktop.xdotool("windowmove", note, x, y)
        harness.wait_until(lambda: self.desktop.geometry(note).tuple() == (x, y, width, height),
                           what="the note at its new place")
        if remembered:  # stored once the move has settled
            place = "%d,%d,%d,%d" % (x, y, width, height)
            harness.wait_until(lambda: any("\\NotePlaces\\" in key and text == place
                                           for (key, _), text in self.stored().items()),
                               what="the place stored")
        else:
            self.program_settled()

    def test_note_comes_back_where_it_was_put(self):
        self.desktop.install([dict(content="remember me")])
        self.app = self.desktop.launch()
        note = self.note()
        # Off by default: a moved note opens where the window manager puts it.
        self.place(note, 333, 222, 210, 150, remembered=False)
        self.assertNotEqual(self.restart().tuple(), (333, 222, 210, 150))

        main = self.main_window()
        self.desktop.activate(main)
        self.desktop.open_menu(self.app.pid, lambda: self.desktop.key("alt+t"))
        self.desktop.key("p")  # 记住便签位置[&P]
        harness.wait_until(lambda: self.stored().get(("HKEY_CURRENT_USER\\SOFTWARE\\Quillet",
                                                      "RememberNotePlaces")) == "1",
                           what="the setting stored")
        self.place(self.note(), 333, 222, 210, 150, remembered=True)
        self.assertEqual(self.restart().tuple(), (333, 222, 210, 150))

        # A place mostly off the screen (a monitor since removed) comes back onto it, whole.
        self.place(self.note(), 1200, 740, 210, 150, remembered=True)
        g = self.restart()
        self.assertEqual((g.width, g.height), (210, 150))
        self.assertTrue(0 <= g.x and g.x + g.width <= 1280 and 0 <= g.y and g.y + g.height <= 800,
                        g)


if __name__ == "__main__":
    unittest.main()
