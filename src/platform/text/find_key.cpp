// SPDX-License-Identifier: MIT
#include "platform/text/find_key.h"

#include <bit>
#include <string_view>

namespace platform::text {

namespace {

// The table made at build time from Unihan (make_pinyin_table.py): 拼音码位上限, 拼音块号,
// 拼音块, 读音首字母, 读音起点 and 读音文字.
#include "pinyin_table.inc"

// A pinyin query has at most this many letters: one bit each in the match state, and one for
// "no letter yet".
constexpr qsizetype 拼音最长 = 63;

// The reading set of a code point, 0 for none (not a Han character, or one without a reading).
std::uint16_t 读音组(char32_t 码位) {
    return 码位 < 拼音码位上限 ? 拼音块[拼音块号[码位 >> 8]][码位 & 0xFF] : 0;
}

// The code point at 当前, which moves past it. A surrogate without its partner stands for itself
// (and has no reading).
char32_t 取码位(const QChar*& 当前, const QChar* 末尾) {
    const char16_t 单元 = (当前++)->unicode();
    if (QChar::isHighSurrogate(单元) && 当前 != 末尾 && 当前->isLowSurrogate()) {
        return QChar::surrogateToUcs4(单元, (当前++)->unicode());
    }
    return 单元;
}

}  // namespace

查找词::查找词(const QString& 查找) : 折叠_(查找.toCaseFolded()) {
    if (折叠_.size() > 拼音最长) {
        return;
    }
    for (const QChar 字 : 折叠_) {
        const char16_t 单元 = 字.unicode();
        if (!((单元 >= u'a' && 单元 <= u'z') || (单元 >= u'0' && 单元 <= u'9'))) {
            return;
        }
    }
    拼音_ = 折叠_.toLatin1().toStdString();
    for (std::size_t j = 0; j < 拼音_.size(); ++j) {
        位置_[static_cast<unsigned char>(拼音_[j])] |= std::uint64_t{1} << j;
    }
    if (!拼音_.empty() && 拼音_[0] >= 'a') {
        首字母_ = std::uint32_t{1} << (拼音_[0] - 'a');
    }
}

查找键::查找键(const QString& 文字) : 折叠_(文字.toCaseFolded()) {
    const QChar* 末尾 = 折叠_.constEnd();
    for (const QChar* 当前 = 折叠_.constBegin(); 当前 != 末尾 && !有读音_;) {
        有读音_ = 读音组(取码位(当前, 末尾)) != 0;
    }
}

bool 查找键::匹配(const 查找词& 查找) const {
    if (查找.为空()) {
        return true;
    }
    // The pinyin pass finds a query of latin letters and digits as text too, since each such
    // character of the text spells itself: one pass over the text instead of two.
    if (有读音_ && !查找.拼音_.empty()) {
        return 拼音匹配(查找);
    }
    return 折叠_.contains(查找.折叠_);
}

// One pass over the text. Bit j of 状态 is set when a run of characters ending at the one just
// read spells the query's first j letters; a run may start at any character (bit 0 is always
// there to extend). The text matches once a run spells all of it.
bool 查找键::拼音匹配(const 查找词& 查找) const {
    const std::string_view 拼音 = 查找.拼音_;
    const std::uint64_t 终点 = std::uint64_t{1} << 拼音.size();
    std::uint64_t 状态 = 0;
    const QChar* 末尾 = 折叠_.constEnd();
    for (const QChar* 当前 = 折叠_.constBegin(); 当前 != 末尾;) {
        const char32_t 码位 = 取码位(当前, 末尾);
        const std::uint64_t 起点 = 状态 | 1;
        状态 = 0;
        if (码位 < 128) {
            状态 = (起点 & 查找.位置_[码位]) << 1;
        } else if (const std::uint16_t 组 = 读音组(码位)) {
            std::uint32_t 首字母 = 读音首字母[组];
            // Mostly no run is under way and the character cannot start one.
            if (起点 == 1 && (首字母 & 查找.首字母_) == 0) {
                continue;
            }
            // Where the query has a letter that starts one of the character's readings.
            std::uint64_t 候选 = 0;
            for (; 首字母 != 0; 首字母 &= 首字母 - 1) {
                候选 |= 查找.位置_['a' + std::countr_zero(首字母)];
            }
            候选 &= 起点;
            // Each reading takes as many of the letters from there on as it has in common
            // with them, or fewer (but at least one).
            const std::string_view 读音(读音文字 + 读音起点[组], 读音起点[组 + 1] - 读音起点[组]);
            for (; 候选 != 0; 候选 &= 候选 - 1) {
                const auto j = static_cast<std::size_t>(std::countr_zero(候选));
                for (std::size_t 开头 = 0; 开头 < 读音.size();) {
                    const std::size_t 空格 = 读音.find(' ', 开头);
                    std::size_t k = 0;
                    while (开头 + k < 空格 && j + k < 拼音.size() &&
                           读音[开头 + k] == 拼音[j + k]) {
                        ++k;
                    }
                    状态 |= ((std::uint64_t{1} << k) - 1) << (j + 1);
                    开头 = 空格 + 1;
                }
            }
        }
        if ((状态 & 终点) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace platform::text
