// SPDX-License-Identifier: MIT
#include "platform/log/log.h"

#include <cstdio>
#include <exception>

Q_LOGGING_CATEGORY(lcRegistry, "quillet.registry")
Q_LOGGING_CATEGORY(lcControls, "quillet.controls")
Q_LOGGING_CATEGORY(lcShell, "quillet.shell")
Q_LOGGING_CATEGORY(lcStore, "quillet.store")
Q_LOGGING_CATEGORY(lcServices, "quillet.services")
Q_LOGGING_CATEGORY(lcEditor, "quillet.editor")
Q_LOGGING_CATEGORY(lcMain, "quillet.main")
Q_LOGGING_CATEGORY(lcUpdate, "quillet.update")
Q_LOGGING_CATEGORY(lcStartup, "quillet.startup")
Q_LOGGING_CATEGORY(lcHotkey, "quillet.hotkey")

namespace platform::log {

QString 异常说明() {
    try {
        throw;
    } catch (const std::exception& 错误) {
        return QString::fromUtf8(错误.what());
    } catch (...) {
        return QStringLiteral("an exception of unknown type");
    }
}

void 记录异常(类别 所在, const char* 失败, const std::source_location& 位置) {
    qCWarning(所在, "%s, line %u: %s: %s", 位置.function_name(), 位置.line(), 失败,
              qUtf8Printable(异常说明()));
}

}  // namespace platform::log

namespace platform::log {

QString 转义控制字符(QStringView 文字) {
    QString 结果;
    结果.reserve(文字.size());
    for (const QChar 字 : 文字) {
        const auto 类 = 字.category();
        if (类 != QChar::Other_Control && 类 != QChar::Separator_Line &&
            类 != QChar::Separator_Paragraph) {
            结果 += 字;
            continue;
        }
        switch (字.unicode()) {
            case u'\n':
                结果 += QLatin1String("\\n");
                break;
            case u'\r':
                结果 += QLatin1String("\\r");
                break;
            case u'\t':
                结果 += QLatin1String("\\t");
                break;
            default:
                结果 += 字.unicode() < 0x100
                            ? QStringLiteral("\\x%1").arg(字.unicode(), 2, 16, QLatin1Char('0'))
                            : QStringLiteral("\\u%1").arg(字.unicode(), 4, 16, QLatin1Char('0'));
        }
    }
    return 结果;
}

namespace {

QtMessageHandler 原处理 = nullptr;

void 转义后输出(QtMsgType 类型, const QMessageLogContext& 上下文, const QString& 消息) {
    const QString 转义 = 转义控制字符(消息);
    if (原处理) {
        原处理(类型, 上下文, 转义);
    } else {
        std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(类型, 上下文, 转义)));
    }
}

}  // namespace

void 转义全部日志() {
    static bool 已装 = false;
    if (!已装) {
        已装 = true;
        原处理 = qInstallMessageHandler(转义后输出);
    }
}

}  // namespace platform::log
