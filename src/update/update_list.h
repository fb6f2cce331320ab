// SPDX-License-Identifier: MIT
#pragma once

// The update list: the small text document the update library fetches to learn whether a newer
// version of Quillet exists, and the version arithmetic used to compare it with the running one.
// Everything here is pure (no I/O, no event loop) so that it can be checked on its own.
//
// Format of the update list
// -------------------------
// A UTF-8 text of at most 64 KiB (a leading byte-order mark is allowed), one entry per line.
// Lines end in LF or CR LF. Blank lines and lines whose first non-blank character is '#' are
// comments. Every other line has the form  key=value ; blanks around key and value are ignored,
// keys are lower case. Two keys are read, each must appear exactly once:
//
//     # Quillet update list
//     version=3.8.4
//     url=https://www.quillet.example/download.html
//
//   version  the newest released version: one to four decimal numbers separated by dots
//            (3.8.4, 3.10, 4). Missing trailing numbers count as 0, so 3.8 equals 3.8.0.
//   url      the page offered to the user when the version is newer than the running one:
//            an absolute http:// or https:// address with a host.
//
// Other keys are ignored, so later lists may add entries. A list that breaks any of these rules
// (other bytes than UTF-8 text, a NUL byte, a line without '=', a missing or repeated key, a
// malformed version or address) is rejected as a whole and the check ends without a question.
// The library only ever offers the address to the user's browser; it downloads and runs nothing.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <QVersionNumber>

#include <optional>

namespace 升级 {

// The largest update list that is read; anything longer is rejected unread.
inline constexpr qsizetype 最大列表字节 = qsizetype{64} * 1024;

struct 升级信息 {
    QString 版本文字;  // the version as written in the list (trimmed)
    QVersionNumber 版本;
    QUrl 下载页;
};

// "3.8.4" -> {3, 8, 4}. Rejects anything but one to four dot-separated runs of at most nine
// decimal digits (no blanks, signs, suffixes or empty parts).
std::optional<QVersionNumber> 解析版本(QStringView 文字);

// Negative, zero or positive as a is older than, equal to or newer than b; missing trailing
// parts count as 0.
int 比较版本(const QVersionNumber& a, const QVersionNumber& b);

// True only when both texts are valid versions and 列表版本 is newer than 当前版本.
bool 有更新版本(QStringView 当前版本, QStringView 列表版本);

// Only absolute http/https addresses with a host are ever offered or followed.
bool 是网页地址(const QUrl& 地址);

// Parses a whole update list as described above; nullopt when the list is not valid.
std::optional<升级信息> 解析升级列表(const QByteArray& 内容);

}  // namespace 升级
