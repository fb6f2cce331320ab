// SPDX-License-Identifier: MIT
#include "update/update.h"

#include "update/update_check.h"
#include "update/update_list.h"

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <cstring>

namespace {

constexpr std::size_t 最长地址字节 = 4096;
constexpr int 默认超时毫秒 = 10000;
constexpr int 最长超时毫秒 = 10 * 60 * 1000;

// The one check of this process that may be running.
QPointer<升级::升级检查>& 当前检查() {
    static QPointer<升级::升级检查> 检查;
    return 检查;
}

// QUILLET_UPDATE_TIMEOUT_MS shortens (or lengthens) the fetch limit; tests use it.
int 超时毫秒() {
    bool 有效 = false;
    const int 值 = qEnvironmentVariableIntValue("QUILLET_UPDATE_TIMEOUT_MS", &有效);
    return 有效 && 值 > 0 && 值 <= 最长超时毫秒 ? 值 : 默认超时毫秒;
}

}  // namespace

extern "C" std::int32_t DoUpdate(std::int32_t windowHandle, const char* updateListAddress) {
    auto* const 程序 = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (程序 == nullptr || QThread::currentThread() != 程序->thread() ||
        updateListAddress == nullptr) {
        return 0;
    }
    const std::size_t 长度 = ::strnlen(updateListAddress, 最长地址字节 + 1);
    if (长度 == 0 || 长度 > 最长地址字节) {
        return 0;
    }
    const QUrl 地址(QString::fromLocal8Bit(updateListAddress, static_cast<qsizetype>(长度)),
                    QUrl::StrictMode);
    if (!升级::是网页地址(地址)) {
        return 0;
    }
    auto& 检查 = 当前检查();
    if (const 升级::升级检查* const 上次 = 检查; 上次 != nullptr && 上次->进行中()) {
        return 0;
    }

    QWidget* 父窗口 = nullptr;
    if (windowHandle != 0) {
#ifdef Q_OS_WIN
        // Window handles travel as 32 bits and widen with their sign.
        父窗口 = QWidget::find(static_cast<WId>(static_cast<std::intptr_t>(windowHandle)));
#else
        父窗口 = QWidget::find(static_cast<WId>(static_cast<std::uint32_t>(windowHandle)));
#endif
    }
    升级::检查设置 设置;
    设置.当前版本 = QStringLiteral(QUILLET_VERSION);
    设置.超时毫秒 = 超时毫秒();
    检查 = new 升级::升级检查(std::move(设置));
    检查->开始(地址, 父窗口, [](升级::结果) {});
    return 1;
}

extern "C" std::int32_t BeginUpdate(void) {
    return 0;
}
