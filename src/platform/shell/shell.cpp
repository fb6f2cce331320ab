// SPDX-License-Identifier: MIT
#include "platform/shell/shell.h"

#include "platform/log/log.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace platform::shell {

namespace {
std::function<void(const QString&)>& 打开处理() {
    static std::function<void(const QString&)> 处理;
    return 处理;
}
}  // namespace

void 打开(const QString& 地址) {
    if (打开处理()) {
        打开处理()(地址);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromUserInput(地址))) {
        qCWarning(lcShell, "no program opened %s (no handler for it, or it failed to start)",
                  qUtf8Printable(地址));
    }
}

void 设置打开处理(std::function<void(const QString&)> 处理) {
    打开处理() = std::move(处理);
}

QByteArray 到本地代码页(const QString& 文字) {
    return 文字.toLocal8Bit();
}

QString 从本地代码页(const QByteArray& 字节) {
    // NUL is a character of its own in every code page, so the text between NULs converts alone.
    // Qt's Windows conversion (6.4) drops a trailing NUL, which would cut one character off a
    // multi-string value ("a\0b\0" read as "a\0b").
    QString 文字;
    文字.reserve(字节.size());
    qsizetype 起点 = 0;
    for (qsizetype 空字符 = 字节.indexOf('\0'); 空字符 >= 0; 空字符 = 字节.indexOf('\0', 起点)) {
        文字 += QString::fromLocal8Bit(字节.sliced(起点, 空字符 - 起点));
        文字 += QChar(0);
        起点 = 空字符 + 1;
    }
    文字 += QString::fromLocal8Bit(字节.sliced(起点));
    return 文字;
}

QString 程序文件名(const QString& 程序名) {
#ifdef Q_OS_WIN
    return 程序名 + QStringLiteral(".exe");
#else
    return 程序名;
#endif
}

QString 本程序名() {
    const QFileInfo 程序(QCoreApplication::applicationFilePath());
#ifdef Q_OS_WIN
    return 程序.completeBaseName();
#else
    return 程序.fileName();
#endif
}

}  // namespace platform::shell
