// SPDX-License-Identifier: MIT
#include "platform/controls/page_filter.h"

#include <QRegularExpression>

#include <gumbo.h>

#include <algorithm>
#include <memory>

namespace platform::controls {

namespace {

enum class 处理 {
    保留,  // the element and what it holds
    展开,  // what it holds, without the element itself
    略去,  // neither: nothing of it is shown
};

处理 元素处理(GumboTag 标签) {
    switch (标签) {
        case GUMBO_TAG_A:
        case GUMBO_TAG_B:
        case GUMBO_TAG_STRONG:
        case GUMBO_TAG_I:
        case GUMBO_TAG_EM:
        case GUMBO_TAG_U:
        case GUMBO_TAG_S:
        case GUMBO_TAG_STRIKE:
        case GUMBO_TAG_DEL:
        case GUMBO_TAG_INS:
        case GUMBO_TAG_SUB:
        case GUMBO_TAG_SUP:
        case GUMBO_TAG_SMALL:
        case GUMBO_TAG_BIG:
        case GUMBO_TAG_FONT:
        case GUMBO_TAG_SPAN:
        case GUMBO_TAG_CODE:
        case GUMBO_TAG_TT:
        case GUMBO_TAG_DIV:
        case GUMBO_TAG_P:
        case GUMBO_TAG_BR:
        case GUMBO_TAG_HR:
        case GUMBO_TAG_H1:
        case GUMBO_TAG_H2:
        case GUMBO_TAG_H3:
        case GUMBO_TAG_H4:
        case GUMBO_TAG_H5:
        case GUMBO_TAG_H6:
        case GUMBO_TAG_UL:
        case GUMBO_TAG_OL:
        case GUMBO_TAG_LI:
        case GUMBO_TAG_DL:
        case GUMBO_TAG_DT:
        case GUMBO_TAG_DD:
        case GUMBO_TAG_BLOCKQUOTE:
        case GUMBO_TAG_PRE:
        case GUMBO_TAG_CENTER:
        case GUMBO_TAG_TABLE:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_TFOOT:
        case GUMBO_TAG_TR:
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
        case GUMBO_TAG_CAPTION:
            return 处理::保留;
        case GUMBO_TAG_HEAD:
        case GUMBO_TAG_TITLE:
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_TEMPLATE:
        case GUMBO_TAG_NOSCRIPT:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_FRAMESET:
        case GUMBO_TAG_NOFRAMES:
        case GUMBO_TAG_OBJECT:
        case GUMBO_TAG_EMBED:
        case GUMBO_TAG_APPLET:
        case GUMBO_TAG_IMG:
        case GUMBO_TAG_AUDIO:
        case GUMBO_TAG_VIDEO:
        case GUMBO_TAG_CANVAS:
        case GUMBO_TAG_MAP:
        case GUMBO_TAG_SELECT:
        case GUMBO_TAG_TEXTAREA:
        case GUMBO_TAG_INPUT:
            return 处理::略去;
        default:
            return 处理::展开;
    }
}

// A whole number from 1 to 最大 (with an optional % for widths), or nothing.
QString 有界数(QStringView 值, int 最大, bool 可百分比) {
    static const QRegularExpression 数(QStringLiteral("^\\s*(\\d{1,6})\\s*(%?)\\s*$"));
    const auto 匹配 = 数.match(值);
    if (!匹配.hasMatch() || (!可百分比 && 匹配.capturedLength(2) > 0)) {
        return {};
    }
    const int 上限 = 匹配.capturedLength(2) > 0 ? 100 : 最大;
    return QString::number(std::clamp(匹配.capturedView(1).toInt(), 0, 上限)) + 匹配.captured(2);
}

// A colour, a font name or an alignment: a short word of letters, digits and a few marks.
QString 短词(QStringView 值) {
    static const QRegularExpression 词(QStringLiteral("^[\\w #,.\\-]{1,64}$"),
                                       QRegularExpression::UseUnicodePropertiesOption);
    return 词.match(值).hasMatch() ? 值.trimmed().toString() : QString();
}

// The declarations of a style attribute that set colours, emphasis and alignment, and font
// sizes of at most 48 points or pixels; margins, paddings, positions and the rest are left out.
QString 样式(QStringView 值) {
    static const QRegularExpression 声明(
        QStringLiteral("^\\s*(color|background-color|font-weight|font-style|text-decoration|"
                       "text-align|font-size)\\s*:\\s*([\\w #,.%()\\-]{1,64})\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression 字号(QStringLiteral("^(\\d{1,2})(px|pt)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList 保留;
    for (const QStringView 一条 : 值.split(u';')) {
        const auto 匹配 = 声明.match(一条);
        if (!匹配.hasMatch()) {
            continue;
        }
        const QString 名 = 匹配.captured(1).toLower();
        const QString 值文字 = 匹配.captured(2).trimmed();
        if (名 == QLatin1String("font-size")) {
            const auto 大小 = 字号.match(值文字);
            if (!大小.hasMatch() || 大小.capturedView(1).toInt() > 48) {
                continue;
            }
        }
        保留 << 名 + u':' + 值文字;
    }
    return 保留.join(u';');
}

// The attribute as the rebuilt page carries it, or nothing when it is left out.
QString 属性值(GumboTag 标签, QLatin1String 名, QStringView 值) {
    if (名 == QLatin1String("href")) {
        return 标签 == GUMBO_TAG_A && 值.size() <= 2048 ? 值.toString() : QString();
    }
    if (名 == QLatin1String("style")) {
        return 样式(值);
    }
    if (名 == QLatin1String("colspan") || 名 == QLatin1String("rowspan")) {
        return 标签 == GUMBO_TAG_TD || 标签 == GUMBO_TAG_TH ? 有界数(值, 10, false) : QString();
    }
    if (名 == QLatin1String("border") || 名 == QLatin1String("cellpadding") ||
        名 == QLatin1String("cellspacing")) {
        return 标签 == GUMBO_TAG_TABLE ? 有界数(值, 20, false) : QString();
    }
    if (名 == QLatin1String("width") || 名 == QLatin1String("height")) {
        return 有界数(值, 2000, true);
    }
    if (名 == QLatin1String("size")) {
        return 标签 == GUMBO_TAG_FONT ? 有界数(值, 7, false) : QString();
    }
    if (名 == QLatin1String("color") || 名 == QLatin1String("bgcolor") ||
        名 == QLatin1String("face") || 名 == QLatin1String("align") ||
        名 == QLatin1String("valign")) {
        return 短词(值);
    }
    return {};
}

class 整理器 {
  public:
    QString 输出;
    QString 原因;

    // Adds the node and what it holds; false once a limit is passed.
    bool 加入(const GumboNode* 节点, int 深度, int 表格深度) {
        switch (节点->type) {
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_CDATA:
            case GUMBO_NODE_WHITESPACE:
                return 加入文字(QString::fromUtf8(节点->v.text.text));
            case GUMBO_NODE_ELEMENT:
                return 加入元素(节点->v.element, 深度 + 1, 表格深度);
            default:
                return true;  // comments, templates
        }
    }

  private:
    int 元素数_ = 0;
    int 文字数_ = 0;

    bool 加入文字(const QString& 文字) {
        文字数_ += static_cast<int>(文字.size());
        if (文字数_ > 页面限度::最多文字) {
            原因 = QStringLiteral("more than %1 characters of text").arg(页面限度::最多文字);
            return false;
        }
        输出 += 文字.toHtmlEscaped();
        return true;
    }

    bool 加入元素(const GumboElement& 元素, int 深度, int 表格深度) {
        if (++元素数_ > 页面限度::最多元素) {
            原因 = QStringLiteral("more than %1 elements").arg(页面限度::最多元素);
            return false;
        }
        if (深度 > 页面限度::最大嵌套) {
            原因 = QStringLiteral("elements nested more than %1 deep").arg(页面限度::最大嵌套);
            return false;
        }
        const 处理 方式 =
            元素.tag_namespace == GUMBO_NAMESPACE_HTML ? 元素处理(元素.tag) : 处理::略去;
        if (方式 == 处理::略去) {
            return true;
        }
        if (元素.tag == GUMBO_TAG_TABLE && ++表格深度 > 页面限度::最大表格嵌套) {
            原因 = QStringLiteral("tables nested more than %1 deep").arg(页面限度::最大表格嵌套);
            return false;
        }
        const QLatin1String 名称(gumbo_normalized_tagname(元素.tag));
        if (方式 == 处理::保留) {
            输出 += u'<';
            输出 += 名称;
            for (unsigned int i = 0; i < 元素.attributes.length; ++i) {
                const auto* 属性 = static_cast<const GumboAttribute*>(元素.attributes.data[i]);
                const QLatin1String 属性名(属性->name);
                const QString 值 = 属性值(元素.tag, 属性名, QString::fromUtf8(属性->value));
                if (!值.isEmpty()) {
                    输出 += u' ';
                    输出 += 属性名;
                    输出 += QStringLiteral("=\"") + 值.toHtmlEscaped() + u'"';
                }
            }
            输出 += u'>';
        }
        for (unsigned int i = 0; i < 元素.children.length; ++i) {
            const auto* 子 = static_cast<const GumboNode*>(元素.children.data[i]);
            if (!加入(子, 深度, 表格深度)) {
                return false;
            }
        }
        if (方式 == 处理::保留 && 元素.tag != GUMBO_TAG_BR && 元素.tag != GUMBO_TAG_HR) {
            输出 += QStringLiteral("</");
            输出 += 名称;
            输出 += u'>';
        }
        return true;
    }
};

}  // namespace

整理后的页面 整理页面(const QString& 页面) {
    if (页面.size() > 页面限度::最大字符数) {
        return {{},
                QStringLiteral("%1 characters, more than %2")
                    .arg(页面.size())
                    .arg(页面限度::最大字符数)};
    }
    if (const qsizetype 标签数 = 页面.count(u'<'); 标签数 > 页面限度::最多标签) {
        return {{}, QStringLiteral("%1 tags, more than %2").arg(标签数).arg(页面限度::最多标签)};
    }
    const QByteArray 字节 = 页面.toUtf8();
    GumboOptions 选项 = kGumboDefaultOptions;
    选项.max_errors = 0;  // the parse errors are of no use here
    const std::unique_ptr<GumboOutput, void (*)(GumboOutput*)> 树(
        gumbo_parse_with_options(&选项, 字节.constData(), static_cast<size_t>(字节.size())),
        [](GumboOutput* 输出) { gumbo_destroy_output(&kGumboDefaultOptions, 输出); });
    整理器 整理;
    整理.输出 = QStringLiteral("<html><body>");
    // The root is the html element: its head is left out like any other, its body kept.
    if (!整理.加入(树->root, 0, 0)) {
        return {{}, 整理.原因};
    }
    整理.输出 += QStringLiteral("</body></html>");
    return {整理.输出, {}};
}

}  // namespace platform::controls
