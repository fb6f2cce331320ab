// SPDX-License-Identifier: MIT
#include "update/update_list.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace 升级 {

namespace {

// One to four runs of one to nine ASCII digits (every part stays below 10^9, inside int),
// separated by single dots: QVersionNumber alone would also take blanks, signs and suffixes.
const QRegularExpression 版本形状(QStringLiteral(R"(\A[0-9]{1,9}(\.[0-9]{1,9}){0,3}\z)"));

}  // namespace

std::optional<QVersionNumber> 解析版本(QStringView 文字) {
    if (!版本形状.match(文字).hasMatch()) {
        return std::nullopt;
    }
    return QVersionNumber::fromString(文字);
}

int 比较版本(const QVersionNumber& a, const QVersionNumber& b) {
    // Trailing zeros do not count: 3.8 is 3.8.0.
    const int 结果 = QVersionNumber::compare(a.normalized(), b.normalized());
    return 结果 < 0 ? -1 : (结果 > 0 ? 1 : 0);
}

bool 有更新版本(QStringView 当前版本, QStringView 列表版本) {
    const auto 当前 = 解析版本(当前版本);
    const auto 列表 = 解析版本(列表版本);
    return 当前 && 列表 && 比较版本(*列表, *当前) > 0;
}

bool 是网页地址(const QUrl& 地址) {
    if (!地址.isValid() || 地址.isRelative() || 地址.host().isEmpty()) {
        return false;
    }
    const QString 协议 = 地址.scheme().toLower();
    return 协议 == u"http" || 协议 == u"https";
}

std::optional<升级信息> 解析升级列表(const QByteArray& 内容) {
    if (内容.isEmpty() || 内容.size() > 最大列表字节 || 内容.contains('\0')) {
        return std::nullopt;
    }
    QByteArrayView 正文(内容);
    if (正文.startsWith("\xEF\xBB\xBF")) {
        正文 = 正文.sliced(3);
    }
    QStringDecoder 解码器(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString 文字 = 解码器(正文);
    if (解码器.hasError()) {
        return std::nullopt;
    }

    std::optional<QString> 版本值;
    std::optional<QString> 地址值;
    for (QStringView 行 : QStringView(文字).split(u'\n')) {
        if (行.endsWith(u'\r')) {
            行.chop(1);
        }
        行 = 行.trimmed();
        if (行.isEmpty() || 行.startsWith(u'#')) {
            continue;
        }
        const qsizetype 等号 = 行.indexOf(u'=');
        if (等号 <= 0) {
            return std::nullopt;
        }
        const QStringView 键 = 行.first(等号).trimmed();
        const QString 值 = 行.sliced(等号 + 1).trimmed().toString();
        std::optional<QString>* 目标 = nullptr;
        if (键 == u"version") {
            目标 = &版本值;
        } else if (键 == u"url") {
            目标 = &地址值;
        } else {
            continue;
        }
        if (目标->has_value()) {
            return std::nullopt;
        }
        *目标 = 值;
    }
    if (!版本值 || !地址值) {
        return std::nullopt;
    }

    const auto 版本 = 解析版本(*版本值);
    const QUrl 地址(*地址值, QUrl::StrictMode);
    if (!版本 || !是网页地址(地址)) {
        return std::nullopt;
    }
    return 升级信息{*版本值, *版本, 地址};
}

}  // namespace 升级
