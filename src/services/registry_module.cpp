// SPDX-License-Identifier: MIT
#include "services/registry_module.h"

#include <QByteArray>

#include "platform/log/log.h"
#include "platform/registry/registry.h"
#include "platform/shell/shell.h"

namespace 注册表操作 {

namespace reg = platform::registry;
using platform::shell::从本地代码页;
using platform::shell::到本地代码页;

namespace {

// The text before the first NUL, or the whole text when it has none.
QString 到首个空字符(const QString& 文字) {
    const qsizetype 位置 = 文字.indexOf(QChar(0));
    return 位置 < 0 ? 文字 : 文字.left(位置);
}

QString 展开环境变量(const QString& 源文字) {
    const QByteArray 源 = 到本地代码页(源文字);
    QByteArray 目标(源文字.size() + 256, '\0');
    std::uint32_t 需要 = reg::ExpandEnvironment(源.constData(), 目标.data(),
                                                static_cast<std::uint32_t>(目标.size()));
    if (需要 > static_cast<std::uint32_t>(目标.size())) {
        // The expansion is longer than the first guess: ask again with the size it needs, so a
        // long value (a search path, say) is never cut off or read from an unfilled buffer.
        目标 = QByteArray(static_cast<qsizetype>(需要), '\0');
        需要 = reg::ExpandEnvironment(源.constData(), 目标.data(),
                                      static_cast<std::uint32_t>(目标.size()));
        if (需要 > static_cast<std::uint32_t>(目标.size())) {
            目标.fill('\0');  // the environment changed in between; give up on this value
        }
    }
    return 到首个空字符(从本地代码页(目标));
}

}  // namespace

bool 读取注册表值(std::uint32_t 根键, const QString& 子键, const QString& 值名,
                  std::int32_t& 值类型, QString& 值文字) {
    const QByteArray 子键字节 = 到本地代码页(子键);
    const QByteArray 值名字节 = 到本地代码页(值名);
    reg::Key 键 = 0;
    if (reg::OpenKey(根键, 子键字节.constData(), &键) != reg::Success) {
        return false;
    }

    std::uint32_t 类型 = static_cast<std::uint32_t>(值类型);
    std::uint32_t 大小 = 0;
    if (reg::QueryValueEx(键, 值名字节.constData(), &类型, nullptr, &大小) == reg::Success) {
        值类型 = static_cast<std::int32_t>(类型);
    } else {
        大小 = 0;
    }

    switch (值类型) {
        case 1:
        case 2:
        case 7: {
            QByteArray 缓冲(static_cast<qsizetype>(大小), '\0');
            std::uint32_t 读取大小 = 大小;
            reg::QueryValueEx(键, 值名字节.constData(), nullptr,
                              reinterpret_cast<unsigned char*>(缓冲.data()), &读取大小);
            const QString 缓冲文字 = 从本地代码页(缓冲);
            if (值类型 == 1) {
                值文字 = 到首个空字符(缓冲文字);
            } else if (值类型 == 2) {
                值文字 = 展开环境变量(缓冲文字);
            } else {
                值文字 = 缓冲文字.isEmpty() ? QString() : 缓冲文字.left(缓冲文字.size() - 1);
            }
            break;
        }
        case 3: {
            QByteArray 字节(static_cast<qsizetype>(大小), '\0');
            std::uint32_t 读取大小 = 大小;
            reg::QueryValueEx(键, 值名字节.constData(), nullptr,
                              reinterpret_cast<unsigned char*>(字节.data()), &读取大小);
            for (const char 字节值 : 字节) {
                值文字 += QString::number(static_cast<unsigned char>(字节值), 16).toUpper();
            }
            break;
        }
        case 4:
        case 5: {
            unsigned char 数据[4] = {0, 0, 0, 0};
            std::uint32_t 读取大小 = sizeof 数据;
            reg::QueryValueEx(键, 值名字节.constData(), nullptr, 数据, &读取大小);
            const std::uint32_t 无符号 = static_cast<std::uint32_t>(数据[0]) |
                                         (static_cast<std::uint32_t>(数据[1]) << 8) |
                                         (static_cast<std::uint32_t>(数据[2]) << 16) |
                                         (static_cast<std::uint32_t>(数据[3]) << 24);
            值文字 = QString::number(static_cast<std::int32_t>(无符号));
            break;
        }
        default:
            break;
    }

    reg::CloseKey(键);
    return true;
}

bool 写入注册表值(std::uint32_t 根键, const QString& 子键, const QString& 值名, std::int32_t 值类型,
                  const QString& 值文字) {
    const QByteArray 数据 = 到本地代码页(值文字 + QChar(0));
    const QByteArray 子键字节 = 到本地代码页(子键);
    const QByteArray 值名字节 = 到本地代码页(值名);
    reg::Key 键 = 0;
    if (reg::CreateKey(根键, 子键字节.constData(), &键) != reg::Success) {
        return false;
    }
    const bool 结果 = reg::SetValueEx(键, 值名字节.constData(), static_cast<std::uint32_t>(值类型),
                                      reinterpret_cast<const unsigned char*>(数据.constData()),
                                      static_cast<std::uint32_t>(数据.size())) == reg::Success;
    reg::CloseKey(键);
    return 结果;
}

bool 删除注册表值(std::uint32_t 根键, const QString& 子键, const QString& 值名) {
    const QByteArray 子键字节 = 到本地代码页(子键);
    const QByteArray 值名字节 = 到本地代码页(值名);
    reg::Key 键 = 0;
    if (reg::OpenKey(根键, 子键字节.constData(), &键) != reg::Success) {
        return false;
    }
    const bool 结果 = reg::DeleteValue(键, 值名字节.constData()) == reg::Success;
    reg::CloseKey(键);
    return 结果;
}

std::optional<QString> 读取文字设置(const QString& 子键, const QString& 值名) {
    reg::Key 键 = 0;
    if (reg::OpenKey(HKEY_CURRENT_USER, 到本地代码页(子键).constData(), &键) != reg::Success) {
        return std::nullopt;
    }
    std::uint32_t 类型 = 0;
    std::uint32_t 大小 = 0;
    const bool 存在 = reg::QueryValueEx(键, 到本地代码页(值名).constData(), &类型, nullptr,
                                        &大小) == reg::Success;
    reg::CloseKey(键);
    if (!存在) {
        return std::nullopt;
    }
    std::int32_t 值类型 = REG_SZ;
    QString 文字;
    if (类型 != static_cast<std::uint32_t>(REG_SZ) ||
        !读取注册表值(HKEY_CURRENT_USER, 子键, 值名, 值类型, 文字)) {
        qCWarning(lcServices, "the setting %s\\%s is not text; it is taken as not set",
                  qUtf8Printable(子键), qUtf8Printable(值名));
        return std::nullopt;
    }
    return 文字;
}

}  // namespace 注册表操作
