#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the pinyin table of the find matcher (platform/text/find_key.cpp) from Unihan.

    make_pinyin_table.py UNIHAN OUTPUT

UNIHAN is Unihan_Readings.txt from Debian's unicode-data package, as that package ships it
(Unihan_Readings.txt.bz2 in Debian 12), unpacked, or the whole Unihan.zip. OUTPUT is a C++
fragment that find_key.cpp includes; it is made in the build folder at every build of the
table and never committed.

Why Unihan from unicode-data: it is the Unicode Consortium's own database of Han characters,
plain text, architecture-independent and kept in step with every Unicode version, and it
gives each character's readings from two modern dictionaries. libpinyin-data ships only the
input method's binary tables, in a format of that library's own making.

A character's readings are those of kMandarin (its customary reading), kXHC1983 (Xiandai
Hanyu Cidian) and kTGHZ2013 (Tongyong Guifan Hanzi Zidian): the modern dictionaries give a
polyphonic character every reading in use today (行 xing hang heng, 重 zhong chong). Only a
character none of them lists takes kHanyuPinyin, whose many classical readings would make
common characters match letters nobody types for them (重 would match t).

Readings are written without tones, ü as v (as typed with an input method). The output:
  拼音码位上限                 code points from this one on have no reading
  拼音块号[码位 >> 8]          which block of 256 code points holds the reading sets (0: none)
  拼音块[块][码位 & 255]       the reading set of a code point (0: none)
  读音首字母[组]               bit n set: a reading of the set starts with letter 'a' + n
  读音起点[组], 读音文字       the set's readings, each followed by a space
"""

import bz2
import io
import sys
import unicodedata
import zipfile

FIELDS = ("kMandarin", "kXHC1983", "kTGHZ2013")
FALLBACK = "kHanyuPinyin"
BLOCK = 256


def open_readings(path):
    if path.endswith(".zip"):
        archive = zipfile.ZipFile(path)
        return io.TextIOWrapper(archive.open("Unihan_Readings.txt"), encoding="utf-8")
    if path.endswith(".bz2"):
        return bz2.open(path, "rt", encoding="utf-8")
    return open(path, encoding="utf-8")


def toneless(reading):
    """xíng -> xing, lǜ -> lv, ê -> e, ḿ -> m."""
    text = unicodedata.normalize("NFD", reading.lower()).replace("u\u0308", "v")
    text = "".join(c for c in text if not unicodedata.combining(c))
    if not text.isascii() or not text.isalpha():
        raise ValueError("unexpected reading %r" % reading)
    return text


def readings_of(value):
    """The readings of a field's value: "0442.080:háng 0443.050:hàng" (location:reading),
    "20811.060:háng,xìng" (location:readings) or "xíng" (readings)."""
    for item in value.split():
        yield from item.rsplit(":", 1)[-1].split(",")


def read_unihan(path):
    fields = {}
    with open_readings(path) as lines:
        for line in lines:
            if not line.startswith("U+"):
                continue
            code, field, value = line.rstrip("\n").split("\t", 2)
            if field in FIELDS or field == FALLBACK:
                fields.setdefault(int(code[2:], 16), {})[field] = value
    sets = {}
    for code, found in fields.items():
        chosen = [found[f] for f in FIELDS if f in found] or [found[FALLBACK]]
        syllables = []
        for value in chosen:
            for reading in readings_of(value):
                syllable = toneless(reading)
                if syllable not in syllables:
                    syllables.append(syllable)
        sets[code] = tuple(syllables)
    return sets


def c_array(values, per_line=24):
    values = [str(v) for v in values]
    return ",\n".join(",".join(values[i:i + per_line]) for i in range(0, len(values), per_line))


def write_table(sets, source, out):
    groups = {(): 0}
    for code in sorted(sets):
        groups.setdefault(sets[code], len(groups))
    limit = (max(sets) // BLOCK + 1) * BLOCK
    blocks = {tuple([0] * BLOCK): 0}
    block_of = []
    for start in range(0, limit, BLOCK):
        block = tuple(groups[sets.get(code, ())] for code in range(start, start + BLOCK))
        block_of.append(blocks.setdefault(block, len(blocks)))
    ordered = sorted(groups, key=groups.get)
    text, starts = "", []
    for group in ordered:
        starts.append(len(text))
        text += "".join(s + " " for s in group)
    starts.append(len(text))
    if len(groups) > 0xFFFF or len(blocks) > 0xFFFF or len(text) > 0xFFFF:
        raise ValueError("the table outgrew its 16-bit indexes")
    initials = [sum(1 << (ord(c) - ord("a")) for c in {s[0] for s in g}) for g in ordered]
    out.write("// Made by src/platform/text/make_pinyin_table.py from %s: do not edit.\n" % source)
    out.write("constexpr char32_t 拼音码位上限 = 0x%X;\n" % limit)
    out.write("constexpr std::uint16_t 拼音块号[%d] = {\n%s};\n" % (len(block_of), c_array(block_of)))
    out.write("constexpr std::uint16_t 拼音块[%d][%d] = {\n" % (len(blocks), BLOCK))
    for block in sorted(blocks, key=blocks.get):
        out.write("{%s},\n" % c_array(block))
    out.write("};\n")
    out.write("constexpr std::uint32_t 读音首字母[%d] = {\n%s};\n" % (len(ordered), c_array(initials)))
    out.write("constexpr std::uint16_t 读音起点[%d] = {\n%s};\n" % (len(starts), c_array(starts)))
    out.write("constexpr char 读音文字[] =\n")
    for i in range(0, len(text), 96):
        out.write('    "%s"\n' % text[i:i + 96])
    out.write(";\n")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.split("\n\n")[1])
    source, output = sys.argv[1:]
    sets = read_unihan(source)
    if not sets:
        sys.exit("%s: no readings found" % source)
    buffer = io.StringIO()
    write_table(sets, source, buffer)
    with open(output, "w", encoding="utf-8") as out:
        out.write(buffer.getvalue())


if __name__ == "__main__":
    main()
