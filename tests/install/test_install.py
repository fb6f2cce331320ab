"""Installing and uninstalling: the program folder, the desktop integration, and the user's
note database, which no install, reinstall or uninstall may change."""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD = os.environ["QUILLET_BUILD_DIR"]
APP_ID = "example.quillet.Quillet"


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class InstallFixture(unittest.TestCase):
    """A private prefix and data folder for one test."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="quillet-install-")
        # A prefix with a blank, a dollar and Chinese letters, as a user's folder may have.
        self.prefix = os.path.join(self.root, "opt", "my $notes 便签")
        self.data = os.path.join(self.root, "share")
        self.env = dict(os.environ, HOME=self.root, XDG_DATA_HOME=self.data)
        self.env.pop("DESTDIR", None)

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def run_cmake(self, *args):
        done = subprocess.run(["cmake", *args], env=self.env, text=True,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(done.returncode, 0, done.stdout)

    def install(self):
        self.run_cmake("--install", BUILD, "--prefix", self.prefix)

    def uninstall(self):
        self.run_cmake("--build", BUILD, "--target", "uninstall")

    def sqlite(self, sql):
        return subprocess.run(["sqlite3", os.path.join(self.prefix, "Quillet.mdb"), sql],
                              check=True, capture_output=True, text=True).stdout.strip()



class InstallTest(InstallFixture):
    def test_layout_and_desktop_files_validate(self):
        self.install()
        for name in ("quillet", "quillet-makedb", "libupdate.so"):
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, name)), name)
        self.assertEqual(self.sqlite("select count(*) from Tips"), "0")

        desktop = os.path.join(self.data, "applications", APP_ID + ".desktop")
        subprocess.run(["desktop-file-validate", desktop], check=True)
        metainfo = os.path.join(self.data, "metainfo", APP_ID + ".metainfo.xml")
        subprocess.run(["appstreamcli", "validate", "--no-net", metainfo], check=True,
                       stdout=subprocess.DEVNULL)
        self.assertTrue(os.path.isfile(
            os.path.join(self.data, "icons", "hicolor", "scalable", "apps", APP_ID + ".svg")))
        for size in (16, 22, 24, 32, 48, 64, 128, 256):
            png = os.path.join(self.data, "icons", "hicolor", f"{size}x{size}", "apps",
                               APP_ID + ".png")
            with open(png, "rb") as f:
                header = f.read(24)
            self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n", png)
            self.assertEqual(int.from_bytes(header[16:20], "big"), size, png)

        # The Exec line, read back the way a launcher reads it, names the installed program.
        with open(desktop, encoding="utf-8") as f:
            entry = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        self.assertIn("Categories", entry)
        self.assertEqual(entry["Categories"], "Utility;")
        self.assertEqual(entry["Icon"], APP_ID)
        exec_value = entry["Exec"].replace("\\\\", "\\")
        self.assertTrue(exec_value.startswith('"') and exec_value.endswith('"'), exec_value)
        unquoted = exec_value[1:-1]
        for ch in ('"', "`", "$", "\\"):
            unquoted = unquoted.replace("\\" + ch, ch)
        self.assertEqual(unquoted.replace("%%", "%"), os.path.join(self.prefix, "quillet"))

    def test_reinstall_and_uninstall_keep_the_notes_byte_for_byte(self):
        self.install()
        self.sqlite("INSERT INTO Tips(content,CreateTime,ChangeTime,Deleted,BackColor,FontColor,"
                    "Visual,TopMost,Transparent) Values('留着我 it''s mine', 'x', 'x', '0', "
                    "'12648447', '0', '1', '0', '20')")
        db = os.path.join(self.prefix, "Quillet.mdb")
        before = digest(db)
        self.install()  # an upgrade over the installed version
        self.assertEqual(digest(db), before)
        self.uninstall()
        self.assertEqual(digest(db), before)
        self.assertFalse(os.path.exists(os.path.join(self.prefix, "quillet")))
        self.assertFalse(os.path.exists(
            os.path.join(self.data, "applications", APP_ID + ".desktop")))
        self.assertEqual(self.sqlite("select content from Tips"), "留着我 it's mine")


if __name__ == "__main__":
    unittest.main()


class InstalledProgramTest(InstallFixture):
    """The installed program under a real X server keeps showing the user's note across an
    upgrade (an install over the installed version)."""

    def shows_the_note(self):
        import harness  # the end-to-end harness, beside the e2e tests
        desktop = harness.Desktop(tray=False, bin_folder=os.path.join(BUILD, "bin"))
        # Run the installed copy in place: its folder and its database.
        desktop.app_dir = self.prefix
        desktop.db = os.path.join(self.prefix, "Quillet.mdb")
        with desktop.start():
            app = desktop.launch()
            windows = desktop.wait_windows(1, name="^Quillet$")
            self.assertEqual(desktop.geometry(windows[0]).tuple()[2:], (170, 120))
            app.terminate()
            self.assertEqual(desktop.wait_exit(), 0, desktop.log("quillet"))

    def test_note_survives_an_upgrade(self):
        harness_dir = os.path.join(os.environ["QUILLET_SOURCE_DIR"], "tests", "e2e")
        if harness_dir not in sys.path:
            sys.path.insert(0, harness_dir)
        self.install()
        self.sqlite("INSERT INTO Tips(content,CreateTime,ChangeTime,Deleted,BackColor,FontColor,"
                    "Visual,TopMost,Transparent) Values('升级后还在', 'x', 'x', '0', "
                    "'12648447', '0', '1', '0', '20')")
        self.shows_the_note()
        self.install()
        self.assertEqual(self.sqlite("select content from Tips"), "升级后还在")
        self.shows_the_note()
