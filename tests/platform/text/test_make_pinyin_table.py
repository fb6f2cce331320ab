# SPDX-License-Identifier: MIT
"""The pinyin table's generator: the forms Unihan comes in, the choice of readings, and the
two-level table read back as find_key.cpp reads it."""

import bz2
import os
import re
import sys
import tempfile
import unittest
import zipfile

sys.dont_write_bytecode = True  # nothing written into the source folder
sys.path.insert(0, sys.argv.pop(1))
import make_pinyin_table as gen  # noqa: E402

EXCERPT = """# Unihan_Readings.txt (excerpt)
U+4E50\tkMandarin\tlè
U+4E50\tkXHC1983\t0683.040:lè 1430.060:yuè
U+7EFF\tkMandarin\tlǜ
U+7EFF\tkTGHZ2013\t234.040:lù 236.010:lǜ
U+91CD\tkHanyuPinyin\t63680.020:zhòng,chóng,tóng
U+91CD\tkMandarin\tzhòng
U+20001\tkHanyuPinyin\t10012.010:qǐ,ḿ
U+20001\tkRSUnicode\t1.3
"""
EXPECTED = {0x4E50: ("le", "yue"), 0x7EFF: ("lv", "lu"), 0x91CD: ("zhong",),
            0x20001: ("qi", "m")}


class TestMakePinyinTable(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def test_every_form_and_the_readings_chosen(self):
        with open(self.path("Unihan_Readings.txt"), "w", encoding="utf-8") as f:
            f.write(EXCERPT)
        with bz2.open(self.path("Unihan_Readings.txt.bz2"), "wt", encoding="utf-8") as f:
            f.write(EXCERPT)
        with zipfile.ZipFile(self.path("Unihan.zip"), "w") as z:
            z.writestr("Unihan_Readings.txt", EXCERPT)
        for name in ("Unihan_Readings.txt", "Unihan_Readings.txt.bz2", "Unihan.zip"):
            self.assertEqual(gen.read_unihan(self.path(name)), EXPECTED, name)

    def test_unknown_reading_is_an_error(self):
        with open(self.path("bad.txt"), "w", encoding="utf-8") as f:
            f.write("U+4E00\tkMandarin\tyī1\n")
        with self.assertRaises(ValueError):
            gen.read_unihan(self.path("bad.txt"))

    def test_table_reads_back(self):
        with open(self.path("table.inc"), "w", encoding="utf-8") as out:
            gen.write_table(EXPECTED, "excerpt", out)
        with open(self.path("table.inc"), encoding="utf-8") as f:
            text = f.read()

        def array(name):
            body = re.search(name + r"\[[^=]*= \{(.*?)\};", text, re.S).group(1)
            return [int(n) for n in re.findall(r"\d+", body)]

        limit = int(re.search(r"拼音码位上限 = 0x([0-9A-F]+)", text).group(1), 16)
        block_of, blocks = array("拼音块号"), array("拼音块")
        starts, initials = array("读音起点"), array("读音首字母")
        letters = "".join(re.findall(r'^    "(.*)"$', text, re.M))
        for code in range(limit):
            group = blocks[block_of[code >> 8] * 256 + (code & 255)]
            readings = tuple(letters[starts[group]:starts[group + 1]].split())
            self.assertEqual(readings, EXPECTED.get(code, ()), hex(code))
            first = {r[0] for r in readings}
            self.assertEqual(initials[group], sum(1 << (ord(c) - 97) for c in first), hex(code))
        self.assertGreater(limit, max(EXPECTED))


if __name__ == "__main__":
    unittest.main()
