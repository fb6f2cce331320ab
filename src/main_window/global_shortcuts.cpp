// SPDX-License-Identifier: MIT
#include "main_window/global_shortcuts.h"

#include "platform/hotkey/global_shortcut.h"
#include "platform/log/log.h"
#include "services/registry_module.h"

#include <QKeySequence>
#include <QStringList>

namespace 全局快捷键设置 {

namespace {

const QString 设置键 = QStringLiteral("SOFTWARE\\Quillet");

}  // namespace

bool 可用() {
    return platform::全局快捷键::可用();
}

const 说明& 命令说明(命令 一个) {
    static const std::array<说明, 命令数> 表{{
        {QStringLiteral("GlobalShortcutNewNote"), QStringLiteral("新建便签"),
         QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_N)},
        {QStringLiteral("GlobalShortcutShowHide"), QStringLiteral("显示或隐藏全部便签"),
         QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_H)},
    }};
    return 表.at(一个);
}

bool 可用组合(QKeyCombination 键) {
    switch (键.key()) {
        case Qt::Key_unknown:
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_AltGr:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
        case Qt::Key_ScrollLock:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            return false;
        default:
            break;
    }
    const Qt::KeyboardModifiers 修饰 = 键.keyboardModifiers();
    const Qt::KeyboardModifiers 已知 =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return 键.key() != Qt::Key(0) && (修饰 & ~已知) == Qt::NoModifier &&
           (修饰 & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

QString 显示文字(QKeyCombination 键) {
    return QKeySequence(键).toString(QKeySequence::NativeText);
}

std::optional<QKeyCombination> 解析(const std::optional<QString>& 存储, const 说明& 命令说明) {
    if (!存储) {
        return 命令说明.默认;
    }
    if (存储->isEmpty()) {
        return std::nullopt;
    }
    const QKeySequence 序列 = QKeySequence::fromString(*存储, QKeySequence::PortableText);
    if (序列.count() == 1 && 可用组合(序列[0])) {
        return 序列[0];
    }
    qCWarning(lcMain,
              "the stored global shortcut %s is \"%s\", which is no usable shortcut; %s "
              "is used instead",
              qUtf8Printable(命令说明.值名), qUtf8Printable(platform::log::转义控制字符(*存储)),
              qUtf8Printable(显示文字(命令说明.默认)));
    return 命令说明.默认;
}

设定 读取() {
    设定 结果;
    for (int i = 0; i < 命令数; ++i) {
        const 说明& 这个 = 命令说明(命令(i));
        结果[i] = 解析(注册表操作::读取文字设置(设置键, 这个.值名), 这个);
    }
    return 结果;
}

bool 保存(const 设定& 新设定) {
    for (int i = 0; i < 命令数; ++i) {
        const std::optional<QKeyCombination>& 键 = 新设定[i];
        const QString 文字 =
            键 ? QKeySequence(*键).toString(QKeySequence::PortableText) : QString();
        if (!注册表操作::写入注册表值(注册表操作::HKEY_CURRENT_USER, 设置键, 命令说明(命令(i)).值名,
                                      注册表操作::REG_SZ, 文字)) {
            return false;
        }
    }
    return true;
}

管理器::管理器(std::array<std::function<void()>, 命令数> 动作) {
    for (int i = 0; i < 命令数; ++i) {
        键_[i] = std::make_unique<platform::全局快捷键>(std::move(动作[i]));
    }
}

管理器::~管理器() = default;

QString 管理器::应用(const 设定& 新设定) {
    // Every combination is let go first: one turned off goes, and two commands may swap theirs.
    for (auto& 键 : 键_) {
        键->注销();
    }
    QStringList 问题;
    for (int i = 0; i < 命令数; ++i) {
        当前_[i] = 新设定[i];
        if (!新设定[i]) {
            continue;
        }
        const QString 名称 =
            QStringLiteral("%1（%2）").arg(显示文字(*新设定[i]), 命令说明(命令(i)).名称);
        switch (键_[i]->登记(*新设定[i])) {
            case platform::全局快捷键::结果::已登记:
                continue;
            case platform::全局快捷键::结果::已被占用:
                问题 << QStringLiteral("全局快捷键 %1已被其他程序占用，现在不能使用。").arg(名称);
                break;
            case platform::全局快捷键::结果::不支持此键:
                问题 << QStringLiteral("全局快捷键 %1所用的键在这个键盘上没有，不能使用。")
                            .arg(名称);
                break;
            case platform::全局快捷键::结果::失败:
                问题 << QStringLiteral("窗口系统拒绝了全局快捷键 %1，现在不能使用。").arg(名称);
                break;
        }
    }
    if (问题.isEmpty()) {
        return {};
    }
    return 问题.join(u'\n') +
           QStringLiteral(
               "\n\n其他快捷键和程序的其他功能照常可用。可以在“工具 → 全局快捷键…”中"
               "换一个组合键。");
}

}  // namespace 全局快捷键设置
