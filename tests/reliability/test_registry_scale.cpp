// SPDX-License-Identifier: MIT
// The per-user registry store and the log-on entries, at scale.
//
// A thousand random program folders (blanks, quotes, $, %, `, backslashes, newlines, Chinese,
// emoji) go through the Run value: each reads back byte for byte, and the autostart entry's Exec
// line, read by an independent reading of the Desktop Entry rules, really starts that program
// with the argument "mini" (a small script in that folder records how it was started).
//
// Every torn copy of a store (each prefix a crash during a write could leave) and hundreds of
// randomly changed copies are only read: a damaged one reads as empty, and no read changes it.

#include "platform/registry/registry.h"
#include "platform/shell/shell.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

namespace reg = platform::registry;

namespace {

const char* const 启动键 = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

QByteArray 读(const QString& 路径) {
    QFile 文件(路径);
    return 文件.open(QIODevice::ReadOnly) ? 文件.readAll() : QByteArray();
}

bool 写(const QString& 路径, const QByteArray& 内容) {
    QDir().mkpath(QFileInfo(路径).path());
    QFile 文件(路径);
    return 文件.open(QIODevice::WriteOnly | QIODevice::Truncate) && 文件.write(内容) == 内容.size();
}

QByteArray 带结尾(const QString& 文字) {
    QByteArray 字节 = platform::shell::到本地代码页(文字);
    字节.append('\0');
    return 字节;
}

std::optional<QByteArray> 读值(reg::Key 键, const char* 名) {
    std::uint32_t 大小 = 0;
    if (reg::QueryValueEx(键, 名, nullptr, nullptr, &大小) != reg::Success) {
        return std::nullopt;
    }
    QByteArray 数据(static_cast<qsizetype>(大小), '\0');
    if (reg::QueryValueEx(键, 名, nullptr, reinterpret_cast<unsigned char*>(数据.data()), &大小) !=
        reg::Success) {
        return std::nullopt;
    }
    return 数据.left(大小);
}

// The Desktop Entry string escapes, undone.
QString 去转义(const QString& 值) {
    QString 结果;
    for (qsizetype i = 0; i < 值.size(); ++i) {
        if (值[i] == QLatin1Char('\\') && i + 1 < 值.size()) {
            const QChar 下 = 值[++i];
            结果 += 下 == QLatin1Char('s')    ? QChar(u' ')
                    : 下 == QLatin1Char('n')  ? QChar(u'\n')
                    : 下 == QLatin1Char('t')  ? QChar(u'\t')
                    : 下 == QLatin1Char('r')  ? QChar(u'\r')
                    : 下 == QLatin1Char('\\') ? QChar(u'\\')
                                              : 下;
            if (下 != QLatin1Char('s') && 下 != QLatin1Char('n') && 下 != QLatin1Char('t') &&
                下 != QLatin1Char('r') && 下 != QLatin1Char('\\')) {
                结果.insert(结果.size() - 1, QLatin1Char('\\'));
            }
        } else {
            结果 += 值[i];
        }
    }
    return 结果;
}

// The program and arguments an Exec value starts, read as the Desktop Entry rules say: blanks
// separate arguments; an argument with reserved characters is in double quotes, inside which
// \" \` \$ \\ stand for the character and ` $ may not stand alone; "%%" is a percent sign and other
// field codes drop out. Nothing when the value breaks the rules.
std::optional<QStringList> 读执行行(const QString& 执行) {
    static const QString 保留 = QStringLiteral("\t\n\"'\\><~|&;$*?#()`");
    QStringList 参数;
    QString 当前;
    bool 有参数 = false;
    bool 引号内 = false;
    for (qsizetype i = 0; i < 执行.size(); ++i) {
        const QChar 字 = 执行[i];
        if (引号内) {
            if (字 == QLatin1Char('"')) {
                引号内 = false;
            } else if (字 == QLatin1Char('\\')) {
                if (i + 1 >= 执行.size() || !QStringLiteral("\"`$\\").contains(执行[i + 1])) {
                    return std::nullopt;
                }
                当前 += 执行[++i];
            } else if (字 == QLatin1Char('`') || 字 == QLatin1Char('$')) {
                return std::nullopt;  // must be escaped inside quotes too
            } else {
                当前 += 字;
            }
        } else if (字 == QLatin1Char(' ')) {
            if (有参数) {
                参数 << 当前;
            }
            当前.clear();
            有参数 = false;
        } else if (字 == QLatin1Char('"')) {
            引号内 = true;
            有参数 = true;
        } else if (保留.contains(字)) {
            return std::nullopt;  // a reserved character outside quotes
        } else {
            当前 += 字;
            有参数 = true;
        }
    }
    if (引号内) {
        return std::nullopt;
    }
    if (有参数) {
        参数 << 当前;
    }
    QStringList 结果;
    for (const QString& 一个 : 参数) {
        QString 展开;
        for (qsizetype i = 0; i < 一个.size(); ++i) {
            if (一个[i] != QLatin1Char('%')) {
                展开 += 一个[i];
            } else if (i + 1 < 一个.size() && 一个[i + 1] == QLatin1Char('%')) {
                展开 += QLatin1Char('%');
                ++i;
            } else if (一个.size() == 2) {
                展开.clear();  // a field code of its own (%f, %U, ...) drops out
                break;
            } else {
                return std::nullopt;
            }
        }
        if (!(一个.size() == 2 && 一个[0] == QLatin1Char('%') && 一个[1] != QLatin1Char('%'))) {
            结果 << 展开;
        }
    }
    return 结果;
}

QString 随机目录名(QRandomGenerator& 随机) {
    static const QString 字母 =
        QStringLiteral("ab Z09 \"'`$%\\\t\n\r;&|<>~*?#()=!{}[]-_.,便签文件夹中\u00e9\u00df");
    static const QStringList 片段 = {QStringLiteral("%%"),         QStringLiteral("%f"),
                                     QStringLiteral("\\s"),        QStringLiteral("\\n"),
                                     QStringLiteral("$HOME"),      QStringLiteral("${PATH}"),
                                     QStringLiteral("\" mini \""), QStringLiteral("`id`"),
                                     QStringLiteral("$(id)"),      QStringLiteral("  ")};
    QString 名;
    const int 长度 = 随机.bounded(1, 16);
    while (名.size() < 长度) {
        switch (随机.bounded(8)) {
            case 0: {
                const char32_t 表情 = static_cast<char32_t>(随机.bounded(0x1F300, 0x1FAFF));
                名 += QString::fromUcs4(&表情, 1);
                break;
            }
            case 1:
                名 += 片段[随机.bounded(static_cast<int>(片段.size()))];
                break;
            default:
                名 += 字母[随机.bounded(static_cast<int>(字母.size()))];
        }
    }
    if (名 == QLatin1String(".") || 名 == QLatin1String("..")) {
        名 += QLatin1Char('x');
    }
    return 名;
}

}  // namespace

class RegistryScaleTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> 家_;

    QString 配置() const { return 家_->filePath(QStringLiteral("config")); }
    QString 存储() const { return 配置() + QStringLiteral("/Quillet/registry.json"); }
    QString 条目() const { return 配置() + QStringLiteral("/autostart/Quillet.desktop"); }

  private slots:
    void init() {
        家_ = std::make_unique<QTemporaryDir>();
        QVERIFY(家_->isValid());
        qputenv("XDG_CONFIG_HOME", 配置().toLocal8Bit());
    }
    void cleanup() { 家_.reset(); }

    void thousandFoldersStartTheirProgram() {
        const quint32 种子 =
            qEnvironmentVariableIsSet("QUILLET_SEED")
                ? static_cast<quint32>(qEnvironmentVariableIntValue("QUILLET_SEED"))
                : QRandomGenerator::global()->generate();
        qInfo("random start %u (set QUILLET_SEED to repeat)", 种子);
        QRandomGenerator 随机(种子);
        const QString 记录 = 家_->filePath(QStringLiteral("started"));
        QProcessEnvironment 环境 = QProcessEnvironment::systemEnvironment();
        环境.insert(QStringLiteral("QUILLET_STARTED"), 记录);

        reg::Key 键 = 0;
        QCOMPARE(reg::OpenKey(reg::HkeyCurrentUser, 启动键, &键), reg::Success);
        for (int 轮 = 0; 轮 < 1000; ++轮) {
            QString 目录 = 家_->filePath(QStringLiteral("p%1/").arg(轮)) + 随机目录名(随机);
            if (随机.bounded(3) == 0) {
                目录 += QLatin1Char('/') + 随机目录名(随机);
            }
            QVERIFY2(QDir().mkpath(目录), qPrintable(目录));
            const QString 程序 = 目录 + QStringLiteral("/quillet");
            QVERIFY(写(程序, "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" > \"$QUILLET_STARTED\"\n"));
            QVERIFY(QFile::setPermissions(程序,
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

            const QString 命令 = QLatin1Char('"') + 程序 + QStringLiteral("\" mini");
            const QByteArray 数据 = 带结尾(命令);
            QCOMPARE(reg::SetValueEx(键, "Quillet", reg::RegSz,
                                     reinterpret_cast<const unsigned char*>(数据.constData()),
                                     static_cast<std::uint32_t>(数据.size())),
                     reg::Success);
            QCOMPARE(读值(键, "Quillet"), std::optional<QByteArray>(数据));

            // What a desktop session would start at log-on.
            QString 执行;
            for (const QString& 行 : QString::fromUtf8(读(条目())).split(QLatin1Char('\n'))) {
                if (行.startsWith(QLatin1String("Exec="))) {
                    执行 = 行.mid(5);
                }
            }
            const std::optional<QStringList> 启动 = 读执行行(去转义(执行));
            QVERIFY2(启动 && !启动->isEmpty(), qPrintable(QStringLiteral("Exec=") + 执行));
            QFile::remove(记录);
            QProcess 进程;
            进程.setProcessEnvironment(环境);
            进程.start(启动->front(), 启动->mid(1));
            QVERIFY2(进程.waitForFinished(10000) && 进程.exitCode() == 0,
                     qPrintable(QStringLiteral("Exec=") + 执行 + QLatin1Char(' ') +
                                QString::fromLocal8Bit(进程.readAllStandardError())));
            const QList<QByteArray> 实际 = 读(记录).split('\0');
            QCOMPARE(实际.value(0), 程序.toUtf8());
            QCOMPARE(实际.mid(1), (QList<QByteArray>{"mini", ""}));
            if (QTest::currentTestFailed()) {
                qWarning() << "round" << 轮 << "folder" << 目录;
                return;
            }
        }
        reg::CloseKey(键);
    }

    void damagedStoresReadEmptyAndStayAsTheyAre() {
        // A store with some keys and values, as the module writes it.
        reg::Key 键 = 0;
        QCOMPARE(reg::CreateKey(reg::HkeyCurrentUser, "Software\\Quillet\\Settings", &键),
                 reg::Success);
        for (int i = 0; i < 20; ++i) {
            const QByteArray 数据 = 带结尾(QStringLiteral("value %1 便签 \"'\\").arg(i));
            const QByteArray 名 = "v" + QByteArray::number(i);
            QCOMPARE(reg::SetValueEx(键, 名.constData(), reg::RegSz,
                                     reinterpret_cast<const unsigned char*>(数据.constData()),
                                     static_cast<std::uint32_t>(数据.size())),
                     reg::Success);
        }
        reg::CloseKey(键);
        const QByteArray 完整 = 读(存储());
        QVERIFY(完整.size() > 500);

        auto 只读一遍 = [this](const QByteArray& 内容, bool 应为空) {
            QVERIFY(写(存储(), 内容));
            reg::Key 设置 = 0;
            const reg::Status 状态 =
                reg::OpenKey(reg::HkeyCurrentUser, "Software\\Quillet\\Settings", &设置);
            if (应为空) {
                QCOMPARE(状态, reg::FileNotFound);
            } else if (状态 == reg::Success) {
                读值(设置, "v3");
                reg::CloseKey(设置);
            }
            reg::Key 启动 = 0;
            QCOMPARE(reg::OpenKey(reg::HkeyCurrentUser, 启动键, &启动), reg::Success);
            读值(启动, "Other");
            reg::CloseKey(启动);
            QVERIFY2(读(存储()) == 内容, "a read changed the store");
        };
        // Every prefix a torn write could leave (the whole file minus at least its last
        // meaningful byte).
        const int 有效长度 = static_cast<int>(完整.trimmed().size());
        for (int 长度 = 0; 长度 < 有效长度; 长度 += (长度 < 64 ? 1 : 7)) {
            只读一遍(完整.left(长度), true);
            if (QTest::currentTestFailed()) {
                qWarning("prefix of %d bytes", 长度);
                return;
            }
        }
        // Changed bytes may or may not still make a store; either way a read leaves it alone.
        QRandomGenerator 随机(99);
        for (int 次 = 0; 次 < 300; ++次) {
            QByteArray 改 = 完整;
            for (int 处 = 0; 处 < 1 + 次 % 4; ++处) {
                改[随机.bounded(static_cast<int>(改.size()))] =
                    static_cast<char>(随机.bounded(256));
            }
            只读一遍(改, false);
            if (QTest::currentTestFailed()) {
                qWarning("changed copy %d", 次);
                return;
            }
        }
    }
};

QTEST_GUILESS_MAIN(RegistryScaleTest)
#include "test_registry_scale.moc"
