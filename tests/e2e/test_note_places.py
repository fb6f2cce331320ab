# SPDX-License-Identifier: MIT
"""工具 → 记住便签位置 on X11: a note opens again where the user put it, with the size given,
and a place off the screen comes back onto it."""

import signal
import time
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
        note = self.note()
        time.sleep(0.5)  # placed by the window manager
        return self.desktop.geometry(note)

    def place(self, note, x, y, width, height):
        self.desktop.xdotool("windowsize", note, width, height)
        self.desktop.xdotool("windowmove", note, x, y)
        harness.wait_until(lambda: self.desktop.geometry(note).tuple() == (x, y, width, height),
                           what="the note at its new place")
        time.sleep(1.5)  # stored once the move has settled

    def test_note_comes_back_where_it_was_put(self):
        self.desktop.install([dict(content="remember me")])
        self.app = self.desktop.launch()
        note = self.note()
        # Off by default: a moved note opens where the window manager puts it.
        self.place(note, 333, 222, 210, 150)
        self.assertNotEqual(self.restart().tuple(), (333, 222, 210, 150))

        main = self.main_window()
        self.desktop.activate(main)
        time.sleep(0.3)
        self.desktop.key("alt+t")
        time.sleep(0.5)
        self.desktop.key("p")  # 记住便签位置[&P]
        time.sleep(0.5)
        self.place(self.note(), 333, 222, 210, 150)
        self.assertEqual(self.restart().tuple(), (333, 222, 210, 150))

        # A place mostly off the screen (a monitor since removed) comes back onto it, whole.
        self.place(self.note(), 1200, 740, 210, 150)
        g = self.restart()
        self.assertEqual((g.width, g.height), (210, 150))
        self.assertTrue(0 <= g.x and g.x + g.width <= 1280 and 0 <= g.y and g.y + g.height <= 800,
                        g)


if __name__ == "__main__":
    unittest.main()
