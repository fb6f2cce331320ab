# SPDX-License-Identifier: MIT
"""The update check as the running program makes it: once, about two seconds after start,
also when started hidden with "mini", and harmless when the update library is missing."""

import http.server
import os
import re
import threading
import time
import unittest

import harness

LIST_PATH = "/SiteBack/updateTxt/47.txt"
SAME = "version=3.8.0.3\nurl=http://127.0.0.1:9/download\n"
NEWER = "# newer\nversion=99.0\nurl=http://127.0.0.1:9/download\n"
# The check's timer fires 2000 ms after the program loaded, and a coarse timer may fire up to
# 5 % early; launching the program only adds to that.
EARLIEST = 1.8


class Site:
    """The program's web site on 127.0.0.1: serves the update list, records every request."""

    def __init__(self, update_list):
        self.update_list = update_list.encode("utf-8")
        self.requests = []  # (monotonic time, path, user agent)
        self.lock = threading.Lock()
        site = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                with site.lock:
                    site.requests.append((time.monotonic(), self.path,
                                          self.headers.get("User-Agent", "")))
                body = site.update_list if self.path == LIST_PATH else b"not here"
                self.send_response(200 if self.path == LIST_PATH else 404)
                self.send_header("Content-Type", "text/plain; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        self.url = "http://127.0.0.1:%d" % self.server.server_address[1]

    def list_requests(self):
        with self.lock:
            return [r for r in self.requests if r[1] == LIST_PATH]

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class UpdateCheck(harness.DesktopTestCase):
    def start_program(self, update_list, *args, with_library=True):
        self.site = Site(update_list)
        self.addCleanup(self.site.close)
        # The test's site serves the update list alone, not the advertisement page.
        self.desktop.expect_output(r"quillet\.controls: The page %s/ad/\S+ is not shown: .*"
                                   % re.escape(self.site.url))
        if not with_library:
            self.desktop.expect_output(r"quillet\.services: no update check: .*libupdate\.so.*")
        self.desktop.install()
        library = os.path.join(self.desktop.app_dir, "libupdate.so")
        if with_library:
            self.assertTrue(os.path.exists(library), "libupdate.so was not built")
        elif os.path.exists(library):
            os.remove(library)
        self.started = time.monotonic()
        self.app = self.desktop._spawn(
            "quillet", [os.path.join(self.desktop.app_dir, "quillet"), *args],
            cwd=self.desktop.root, env=self.desktop.env(QUILLET_SITE_URL=self.site.url))
        self.desktop.app = self.app

    def wait_started(self):
        """Waits for the program's windows (the main window; its tray icon has the same name)."""
        harness.wait_until(lambda: self.desktop.search(name=harness.MAIN_NAME, pid=self.app.pid),
                           timeout=15, what="the main window")

    def wait_first_request(self):
        first = harness.wait_until(self.site.list_requests, timeout=30,
                                   what="the update list to be requested")[0]
        return first

    def questions(self):
        """Visible dialogs with the program's caption (the main window is a normal window)."""
        return [w for w in self.desktop.search(name=harness.MAIN_NAME, pid=self.app.pid)
                if "_NET_WM_WINDOW_TYPE_DIALOG" in (self.desktop.property(
                    w, "_NET_WM_WINDOW_TYPE") or [])]

    def answer_no(self, attempts=3):
        """Escape on the question answers no. The window is looked up again for each try: a
        window found while the dialog is still being mapped can be gone a moment later."""
        for _ in range(attempts):
            found = self.questions()
            if not found:
                return
            self.desktop.activate(found[0])
            self.desktop.key("Escape")  # to the focused window
            try:
                harness.wait_until(lambda: not self.questions(), timeout=3,
                                   what="the question to close")
                return
            except TimeoutError:
                pass
        self.fail("the question did not close on Escape")

    def assert_running(self):
        self.assertIsNone(self.app.poll(), "the program ended:\n" + self.desktop.log("quillet"))

    def assert_asked_once(self, first):
        when, _path, agent = first
        self.assertGreaterEqual(when - self.started, EARLIEST)
        self.assertTrue(agent.startswith("Quillet/"), agent)
        # Long enough for a repeating timer to have asked again: a request that does not come
        # shows nothing to wait for, so this lets the time pass.
        time.sleep(4.5)
        self.assertEqual(len(self.site.list_requests()), 1)

    def test_checks_once_two_seconds_after_start(self):
        self.start_program(SAME)
        self.wait_started()
        self.assert_asked_once(self.wait_first_request())
        self.assertEqual(self.questions(), [])  # the running version is the newest
        self.assert_running()

    def test_checks_once_when_started_hidden_and_asks_about_a_newer_version(self):
        self.start_program(NEWER, "mini")
        first = self.wait_first_request()
        harness.wait_until(self.questions, timeout=15, what="the question about the newer version")
        self.answer_no()
        self.assert_asked_once(first)
        self.assertEqual(self.questions(), [])
        self.assert_running()

    def test_missing_library_changes_nothing(self):
        self.start_program(NEWER, with_library=False)
        self.wait_started()
        # The moment of the check: the program finds no library then, and says so.
        harness.wait_until(lambda: "no update check" in self.desktop.log("quillet"), timeout=15,
                           what="the moment of the check")
        self.program_settled()
        self.assertEqual(self.site.list_requests(), [])
        self.assertEqual(self.questions(), [])
        self.assert_running()


if __name__ == "__main__":
    unittest.main()
