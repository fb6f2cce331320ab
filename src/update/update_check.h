// SPDX-License-Identifier: MIT
#pragma once

// One asynchronous update check: fetch the update list, compare its version with the running
// one and, only when it is newer, ask the user whether to open the download page. Everything
// runs on the thread that starts it, driven by its event loop; nothing ever blocks.

#include "platform/forms/window_look.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

class QMessageBox;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class QWidget;

namespace 升级 {

// How a check ended. Only the first two ever show anything to the user.
enum class 结果 {
    用户同意,    // newer version: the user said yes, the download page was opened
    用户拒绝,    // newer version: the user said no or closed the question
    已是最新,    // the list names the running version or an older one
    地址无效,    // the list address is not an absolute http/https address
    网络错误,    // no network, unknown host, refused, HTTP error, too many redirects
    重定向被拒,  // a redirect to a non-web address or from https down to http
    超时,        // the whole fetch took longer than allowed
    列表过大,    // the list is longer than the limit
    列表无效,    // the list does not follow the format
};

struct 检查设置 {
    QString 当前版本;
    int 超时毫秒 = 10000;  // for the whole fetch, redirects included
    int 最多重定向 = 5;
    QString 标题 = platform::应用程序标题();
};

// Heap-only. Create with new and call 开始 once; the object reports through the callback
// exactly once and then deletes itself. It is a child of the application object, so it never
// outlives it; when the application's event loop ends first, it closes its question and drops
// its transfer without reporting.
class 升级检查 final : public QObject {
  public:
    using 完成回调 = std::function<void(结果)>;

    explicit 升级检查(检查设置 设置);
    ~升级检查() override;

    // 父窗口 may be null; the question only uses it as parent while it is visible.
    void 开始(const QUrl& 列表地址, QWidget* 父窗口, 完成回调 回调);

    // True from 开始 until the callback has run.
    bool 进行中() const { return 已开始_ && !已结束_; }

  private:
    void 收到数据();
    void 收到头部();
    void 传输结束();
    void 提问(const QUrl& 下载页, const QString& 新版本);
    void 中止(结果 原因);
    void 结束(结果 原因);
    void 程序退出();

    检查设置 设置_;
    QNetworkAccessManager* 网络_ = nullptr;
    QNetworkReply* 应答_ = nullptr;
    QTimer* 期限_ = nullptr;
    QPointer<QWidget> 父窗口_;
    QPointer<QMessageBox> 提问框_;
    完成回调 回调_;
    QByteArray 内容_;
    QUrl 地址_;
    QString 细节_;  // why the transfer failed, as the network stack tells it
    int 重定向次数_ = 0;
    bool 已开始_ = false;
    bool 已结束_ = false;
    bool 有中止原因_ = false;
    结果 中止原因_ = 结果::网络错误;
};

}  // namespace 升级
