// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <string>

namespace platform::text {

// What the user typed to find a text, prepared once for matching against many texts: folded
// for a case-insensitive comparison and, when it is made of latin letters and digits, read as
// pinyin (which query positions each letter stands at).
class 查找词 {
  public:
    explicit 查找词(const QString& 查找);

    bool 为空() const { return 折叠_.isEmpty(); }

  private:
    friend class 查找键;

    QString 折叠_;
    // The query in lowercase ASCII when it can stand for pinyin, else empty.
    std::string 拼音_;
    // Per ASCII character: bit j set when the query's letter j is that character.
    std::array<std::uint64_t, 128> 位置_{};
    // The query's first letter as a bit of 读音首字母 (bit 0: a), 0 for a digit.
    std::uint32_t 首字母_ = 0;
};

// A text prepared once for repeated matching. It matches a query that occurs anywhere in the
// text, whatever the case (Qt's case folding), or that spells, letter by letter, a run of
// adjacent characters by pinyin: each Han character by the start of any of its readings (its
// initial, "kd" for 快递, or more of it, "kuaidi", "kuaid", "kdi"), each latin letter or digit
// by itself. A polyphonic character matches by any reading (行 by x or h). An empty query
// matches every text. The key shares the text's storage where folding changes nothing (as
// for Chinese text without latin capitals).
class 查找键 {
  public:
    explicit 查找键(const QString& 文字);

    // Matching many texts against one query: prepare the 查找词 once, not per text.
    bool 匹配(const 查找词& 查找) const;
    bool 匹配(const QString& 查找) const { return 匹配(查找词(查找)); }

  private:
    bool 拼音匹配(const 查找词& 查找) const;

    QString 折叠_;
    // The text has a character with a pinyin reading: without one, a pinyin match is no more
    // than the text match.
    bool 有读音_ = false;
};

}  // namespace platform::text
