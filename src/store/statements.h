// SPDX-License-Identifier: MIT
#pragma once

// The five statements the program sends to the note table Tips, and the formatting of the
// values they carry. The texts are built by joining fixed pieces with values; every text value
// has its apostrophes doubled, so no note text can change the statement around it.

#include "platform/dao/dao.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <functional>

namespace store {

// The values of a note that the editor writes.
struct 便签值 {
    QString 内容;
    std::int32_t 背景颜色 = 0;
    std::int32_t 字体颜色 = 0;
    int 透明度 = 0;  // percent: 0, 10, ... 90
};

// A list row's id text that is no note id. Only a whole number reaches a statement: a text such
// as "0 OR 1=1" in a damaged or crafted file would otherwise change what the statement does.
class 编号错误 : public dao::Error {
  public:
    explicit 编号错误(const QString& 编号文字);
};

// The note id an id text names; throws 编号错误 unless it is a 32-bit whole number.
std::int32_t 便签编号(const QString& 编号文字);

QString 全部便签语句();                                         // all notes
QString 单个便签语句(const QString& 编号文字);                  // one note, by id text
QString 新建便签语句(const 便签值& 值, const QDateTime& 现在);  // insert
QString 修改便签语句(const 便签值& 值, const QDateTime& 现在, std::int32_t 编号);  // update
QString 删除便签语句(const QString& 编号文字);  // delete, by id text
// One note by the exact text of its id, for an id a file holds as text ('01', '+1', 'a'): S2
// reads such an id as a number and finds no row.
QString 按编号文字便签语句(const QString& 编号文字);

// A text value between apostrophes, its apostrophes doubled.
QString 文字值(const QString& 文字);

// A date and time as the locale writes it: the short date, a blank and the long time, without
// a time zone (stored times are local); only the date at exactly midnight (to the second).
QString 日期时间文字(const QDateTime& 时刻, const QLocale& 区域 = QLocale::system());
// The moment a text of 日期时间文字 stands for, read with the same locale; invalid for a text
// that locale does not write.
QDateTime 日期时间值(const QString& 文字, const QLocale& 区域 = QLocale::system());

// The clock every statement takes "now" from; tests may set their own.
QDateTime 现在();
void 设置时钟(std::function<QDateTime()> 时钟);

}  // namespace store
