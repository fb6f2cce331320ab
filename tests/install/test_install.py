# SPDX-License-Identifier: MIT
"""Installing and uninstalling: the program folder, the desktop integration, and the user's
note database, which no install, reinstall or uninstall may change."""

import hashlib
import os
import re
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
        self.config = os.path.join(self.root, "config")
        self.env = dict(os.environ, HOME=self.root, XDG_DATA_HOME=self.data,
                        XDG_CONFIG_HOME=self.config)
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

    def installed_desktop_entry(self):
        return os.path.join(self.data, "applications", APP_ID + ".desktop")


def read_entry(path):
    """The keys of a desktop entry, values as written."""
    with open(path, encoding="utf-8") as f:
        return dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)


def exec_program(entry):
    """The program the Exec line starts, read back the way a launcher reads it."""
    exec_value = entry["Exec"].replace("\\\\", "\\")
    if not (exec_value.startswith('"') and exec_value.endswith('"')):
        raise AssertionError("Exec is not one quoted program: " + exec_value)
    unquoted = exec_value[1:-1]
    for ch in ('"', "`", "$", "\\"):
        unquoted = unquoted.replace("\\" + ch, ch)
    return unquoted.replace("%%", "%")


def files_below(folder):
    return sorted(os.path.join(d, f) for d, _, names in os.walk(folder) for f in names)



class InstallTest(InstallFixture):
    def test_layout_and_desktop_files_validate(self):
        self.install()
        for name in ("quillet", "quillet-makedb", "libupdate.so"):
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, name)), name)
        self.assertEqual(self.sqlite("select count(*) from Tips"), "0")

        desktop = self.installed_desktop_entry()
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
        entry = read_entry(desktop)
        self.assertIn("Categories", entry)
        self.assertEqual(entry["Categories"], "Utility;")
        self.assertEqual(entry["Icon"], APP_ID)
        self.assertEqual(exec_program(entry), os.path.join(self.prefix, "quillet"))

    def test_staged_and_system_installs_stay_below_the_prefix(self):
        home = os.path.join(self.root, "home")
        os.makedirs(home)
        self.env.update(HOME=home, XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                        XDG_CONFIG_HOME=os.path.join(home, ".config"))
        stage = os.path.join(self.root, "stage")
        for case, destdir, prefix in (("staged", stage, "/opt/quillet"),
                                      ("outside the home", "", self.prefix)):
            with self.subTest(case):
                self.env["DESTDIR"] = destdir
                self.run_cmake("--install", BUILD, "--prefix", prefix)
                # The manifest names the files as they will be, without the stage.
                with open(os.path.join(BUILD, "install_manifest.txt"), encoding="utf-8") as f:
                    written = [line for line in f.read().split("\n") if line]
                self.assertTrue(written)
                for path in written:
                    self.assertTrue(path.startswith(prefix + "/"), path)
                    self.assertTrue(os.path.isfile(destdir + path), destdir + path)
                if destdir:
                    for path in files_below(destdir):
                        self.assertTrue(path.startswith(destdir + prefix + "/"), path)
                desktop = destdir + prefix + "/share/applications/" + APP_ID + ".desktop"
                subprocess.run(["desktop-file-validate", desktop], check=True)
                self.assertEqual(exec_program(read_entry(desktop)), prefix + "/quillet")
                self.assertEqual(files_below(home), [])
                self.uninstall()
                self.assertTrue(os.path.isfile(destdir + prefix + "/Quillet.mdb"))
                self.assertEqual(files_below(destdir + prefix + "/share"), [])

    def test_uninstall_removes_only_its_own_log_on_start_entry(self):
        # A folder without characters that the Exec line would have to quote.
        self.prefix = os.path.join(self.root, "opt", "quillet")
        entry = os.path.join(self.config, "autostart", "Quillet.desktop")
        os.makedirs(os.path.dirname(entry))
        for program, stays in ((os.path.join(self.root, "elsewhere", "quillet"), True),
                               (os.path.join(self.prefix, "quillet"), False)):
            with self.subTest(program=program):
                self.install()
                # As the program writes it, with the value rebuilt from the Exec line.
                with open(entry, "w", encoding="utf-8") as f:
                    f.write("[Desktop Entry]\nType=Application\nName=Quillet\n"
                            'Exec="%s" mini\nX-Quillet-Value-Type=1\n' % program)
                self.uninstall()
                self.assertEqual(os.path.exists(entry), stays)

    def test_the_run_target_builds_what_an_install_needs(self):
        # Every file an install takes from the build folder is made on the way to `run`
        # (Ninja's list of the commands that build it, order-only steps included).
        self.install()
        commands = subprocess.run(["ninja", "-C", BUILD, "-t", "commands", "run"], check=True,
                                  capture_output=True, text=True).stdout
        made = set(re.findall(r"-o (bin/\S+) ", commands))
        made |= {os.path.relpath(png, BUILD)
                 for png in re.findall(r"\S+\.png", commands)}
        with open(os.path.join(BUILD, "install_manifest.txt"), encoding="utf-8") as f:
            installed = [os.path.basename(line) for line in f.read().split("\n") if line]
        from_build = [os.path.relpath(path, BUILD) for path in files_below(BUILD)
                      if os.path.basename(path) in installed
                      and not os.path.relpath(path, BUILD).startswith(("packaging", "test"))]
        self.assertGreater(len(from_build), 3)
        self.assertEqual([path for path in from_build if path not in made], [])

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
        with desktop:
            app = desktop.launch()
            windows = desktop.wait_windows(1, name="^Quillet$")
            self.assertEqual(desktop.geometry(windows[0]).tuple()[2:], (170, 120))
            # Docks put the note and the main window under the menu entry's launcher.
            launcher_class = read_entry(self.installed_desktop_entry())["StartupWMClass"]
            for window in windows + desktop.wait_windows(1, name="^Quillet-4862$"):
                self.assertEqual(desktop.property(window, "WM_CLASS")[-1:], [launcher_class])
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
