# SPDX-License-Identifier: MIT
"""Writes the same notes in each program's own format: Quillet's note database and xpad's
folder of pad files (~/.config/xpad: one info-XXXXXX file with the pad's geometry and colours
and one content-XXXXXX file with its text per pad, plus default-style)."""

import os
import random
import shutil
import sqlite3
import subprocess

WORDS_ZH = ["明天", "上午", "十点", "开会", "带上", "季度", "报告", "给", "张经理", "回电话",
            "买", "牛奶", "和", "面包", "交", "水电费", "周五", "之前", "提交", "方案",
            "记得", "备份", "照片", "预约", "牙医", "取", "快递"]
WORDS_EN = ["call", "Alice", "about", "the", "invoice", "review", "pull", "request", "before",
            "lunch", "renew", "passport", "buy", "milk", "meeting", "at", "3pm", "it's", "done"]

# Screen of the benchmark session: note windows are spread over it in a grid.
SCREEN_W, SCREEN_H = 1280, 800


def note_texts(count, start=47):
    """count deterministic note texts of 4 to 40 words, Chinese and English, some with
    several lines and an apostrophe."""
    rnd = random.Random(start)
    texts = []
    for i in range(count):
        words = [rnd.choice(WORDS_ZH if rnd.random() < 0.6 else WORDS_EN)
                 for _ in range(rnd.randint(4, 40))]
        text = ""
        for w in words:
            if text and rnd.random() < 0.08:
                text += "\n"
            elif text and w.isascii():
                text += " "
            text += w
        texts.append("%d. %s" % (i + 1, text))
    return texts


# More everyday words for the find benchmark's notes, which are mostly Chinese.
WORDS_ZH_MORE = ["下午", "三点", "银行", "重新", "登录", "密码", "修改", "周末", "去", "超市",
                 "孩子", "家长会", "老师", "发", "邮件", "确认", "合同", "签字", "医院", "体检",
                 "结果", "出来", "了", "记录", "一下", "晚上", "七点", "吃饭", "请", "客户",
                 "同事", "生日", "礼物", "机票", "酒店", "行李", "整理", "会议", "纪要", "长期",
                 "计划", "每天", "跑步", "三公里", "，", "。", "、"]


def find_texts(count, start=53):
    """count deterministic note texts of 20 to 200 characters, about nine words in ten
    Chinese, for the find benchmark."""
    rnd = random.Random(start)
    chinese = WORDS_ZH + WORDS_ZH_MORE
    texts = []
    for _ in range(count):
        length = rnd.randint(20, 200)
        text = ""
        while len(text) < length:
            if rnd.random() < 0.9:
                text += rnd.choice(chinese)
            else:
                text += " %s " % rnd.choice(WORDS_EN)
        texts.append(text[:length])
    return texts


def colours(i):
    """(background, text) as 0x00BBGGRR values: a few note colours in turn."""
    backs = [0x99EEFF, 0xFFFFFF, 0xCCFFCC, 0xFFE0C0, 0xE0C0FF]
    return backs[i % len(backs)], 0x000000 if i % 7 else 0x800000


def fill_quillet(makedb, folder, count, visible=lambda i: True):
    """Creates folder/Quillet.mdb with the program's tool and adds count notes in one
    transaction. visible(i) gives each note's Visual value (i counts from 0)."""
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "Quillet.mdb")
    if os.path.exists(path):
        os.remove(path)
    subprocess.run([makedb, path], check=True, capture_output=True)
    db = sqlite3.connect(path)
    when = "2026/12/1 9:00:00"
    rows = []
    for i, text in enumerate(note_texts(count)):
        back, font = colours(i)
        rows.append((text, when, when, "0", str(back), str(font), "1" if visible(i) else "0",
                     "0", "0"))
    with db:
        db.executemany("INSERT INTO Tips(content,CreateTime,ChangeTime,Deleted,BackColor,"
                       "FontColor,Visual,TopMost,Transparent) Values(?,?,?,?,?,?,?,?,?)", rows)
    db.close()
    return path


# What xpad writes as its default style on first start, tray included.
XPAD_DEFAULT_STYLE = """decorations 0
height 300
width 300
confirm_destroy 1
edit_lock 0
sticky_on_start 0
tray_enabled 1
tray_click_configuration 1
back rgb(255,238,153)
use_back 1
text rgb(0,0,0)
use_text 1
fontname Sans 9
toolbar 1
auto_hide_toolbar 1
scrollbar 1
buttons New, Delete, Separator, Cut, Copy, Paste, Separator, Undo, Redo, Separator, Find
autostart_wait_systray 1
autostart_delay 0
autostart_new_pad 0
autostart_display_pads 2
hide_from_taskbar 0
hide_from_task_switcher 0
line_numbering 0
"""

NOTE_W, NOTE_H = 170, 120  # pixels: the size of a Quillet note window (2550 x 1800 twips)


def grid_position(i):
    columns = max(1, (SCREEN_W - NOTE_W) // 60)
    return 20 + (i % columns) * 60, 20 + (i // columns) * 30 % (SCREEN_H - NOTE_H - 40)


def _suffix(i):
    """xpad's file names end in six letters or digits."""
    alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    s = ""
    for _ in range(6):
        i, r = divmod(i, len(alphabet))
        s = alphabet[r] + s
    return s


def fill_xpad(home, count):
    """Writes count pads into home/.config/xpad, replacing whatever was there."""
    folder = os.path.join(home, ".config", "xpad")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    with open(os.path.join(folder, "default-style"), "w") as f:
        f.write(XPAD_DEFAULT_STYLE)
    for i, text in enumerate(note_texts(count)):
        back, font = colours(i)
        x, y = grid_position(i)
        name = _suffix(i)

        def rgb(c):
            return "rgb(%d,%d,%d)" % (c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF)

        with open(os.path.join(folder, "content-" + name), "w") as f:
            f.write(text)
        with open(os.path.join(folder, "info-" + name), "w") as f:
            f.write("width %d\nheight %d\nx %d\ny %d\nfollow_font 1\nfollow_color 0\n"
                    "sticky 0\nhidden 0\nback %s\ntext %s\nfontname Sans 9\n"
                    "content content-%s\n" % (NOTE_W, NOTE_H, x, y, rgb(back), rgb(font), name))
    return folder
