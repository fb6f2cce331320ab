// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace platform::controls {

// A light browser pane: it fetches one HTML page over the network without ever blocking the
// user interface and shows what the page filter keeps of it (page_filter.h). A page that cannot
// be fetched in time, is too large or fails leaves a quiet placeholder. Links open in the
// user's own browser.
class WebPane : public QTextBrowser {
  public:
    enum class 状态 { 空白, 加载中, 已显示, 失败 };

    explicit WebPane(QWidget* 父 = nullptr);
    ~WebPane() override;

    // Starts loading the page and returns at once. A load still running is abandoned.
    void 导航(const QString& 地址);

    QUrl 地址() const { return 地址_; }
    状态 当前状态() const { return 状态_; }

    // Shown while a page loads and when it cannot be shown.
    void 设置占位文字(const QString& 文字);

    // Limits of one page: the largest body taken and how long a load may take in all.
    void 设置最大字节数(qint64 字节) { 最大字节数_ = 字节; }
    void 设置超时毫秒(int 毫秒) { 超时毫秒_ = 毫秒; }
    int 超时毫秒() const { return 超时毫秒_; }

    // Called once per navigation when it has ended, with whether the page is shown.
    std::function<void(bool 成功)> 加载完成;
    // Opens a clicked link; by default with the user's handler for the address.
    std::function<void(const QUrl& 地址)> 打开链接;

    // The text of an HTML body in the character set its header or meta tag names
    // (UTF-8 when none is named or the name is unknown).
    static QString 解码页面(const QByteArray& 正文, const QByteArray& 内容类型);

  protected:
    QVariant loadResource(int 类型, const QUrl& 名称) override;

  private:
    void 显示占位();
    void 结束(bool 成功);
    void 完成(QNetworkReply* 回复);
    void 链接被点击(const QUrl& 链接);

    QNetworkAccessManager* 网络_;
    QPointer<QNetworkReply> 回复_;
    QTimer 计时器_;
    QUrl 地址_;
    QString 占位文字_;
    状态 状态_ = 状态::空白;
    qint64 最大字节数_ = qint64{512} * 1024;
    int 超时毫秒_ = 15000;
};

}  // namespace platform::controls
