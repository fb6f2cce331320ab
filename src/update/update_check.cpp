// SPDX-License-Identifier: MIT
#include "update/update_check.h"

#include "update/update_list.h"

#include "platform/log/log.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QWidget>

namespace 升级 {

namespace {

// Why a check ended without a question, for the log; null when it ended as it should.
const char* 失败说明(结果 原因) {
    switch (原因) {
        case 结果::用户同意:
        case 结果::用户拒绝:
        case 结果::已是最新:
            return nullptr;
        case 结果::地址无效:
            return "the address is not an http or https address";
        case 结果::网络错误:
            return "the list could not be fetched";
        case 结果::重定向被拒:
            return "a redirect to another scheme or down to http was refused";
        case 结果::超时:
            return "the list did not arrive in time";
        case 结果::列表过大:
            return "the list is too large";
        case 结果::列表无效:
            return "the list does not follow the format";
    }
    return "unknown reason";
}

}  // namespace

升级检查::升级检查(检查设置 设置) : QObject(QCoreApplication::instance()), 设置_(std::move(设置)) {
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &升级检查::程序退出);
}

升级检查::~升级检查() {
    if (应答_ != nullptr) {
        应答_->disconnect(this);
        应答_->abort();
    }
}

void 升级检查::开始(const QUrl& 列表地址, QWidget* 父窗口, 完成回调 回调) {
    Q_ASSERT(!已开始_);
    已开始_ = true;
    回调_ = std::move(回调);
    父窗口_ = 父窗口;
    地址_ = 列表地址;
    if (!是网页地址(列表地址)) {
        // Reported from the event loop, never from inside the caller.
        QTimer::singleShot(0, this, [this] { 结束(结果::地址无效); });
        return;
    }

    网络_ = new QNetworkAccessManager(this);
    QNetworkRequest 请求(列表地址);
    请求.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                      QNetworkRequest::NoLessSafeRedirectPolicy);
    请求.setMaximumRedirectsAllowed(设置_.最多重定向);
    请求.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    请求.setHeader(QNetworkRequest::UserAgentHeader,
                   QStringLiteral("Quillet/%1").arg(设置_.当前版本));

    应答_ = 网络_->get(请求);
    // Bounds what Qt buffers before readyRead drains it; the limit itself is checked below.
    应答_->setReadBufferSize(最大列表字节 + 1);
    connect(应答_, &QNetworkReply::metaDataChanged, this, &升级检查::收到头部);
    connect(应答_, &QNetworkReply::readyRead, this, &升级检查::收到数据);
    connect(应答_, &QNetworkReply::finished, this, &升级检查::传输结束);
    // The policy above already follows only http/https redirects that never drop from https to
    // http, at most 最多重定向 of them; both rules are checked again here so that they hold
    // whatever the network stack does.
    connect(应答_, &QNetworkReply::redirected, this, [this](const QUrl& 目标) {
        const QUrl 来源 = 应答_->url();
        const QUrl 新地址 = 来源.resolved(目标);
        const bool 降级 =
            来源.scheme().toLower() == u"https" && 新地址.scheme().toLower() != u"https";
        if (!是网页地址(新地址) || 降级) {
            中止(结果::重定向被拒);
            return;
        }
        if (++重定向次数_ > 设置_.最多重定向) {
            中止(结果::网络错误);
            return;
        }
    });

    期限_ = new QTimer(this);
    期限_->setSingleShot(true);
    connect(期限_, &QTimer::timeout, this, [this] { 中止(结果::超时); });
    期限_->start(设置_.超时毫秒);
}

void 升级检查::程序退出() {
    // The event loop has ended: nothing may be left for the application's teardown, neither an
    // open question nor a transfer. No result is reported any more.
    已结束_ = true;
    delete 提问框_.data();
    if (应答_ != nullptr) {
        应答_->disconnect(this);
        应答_->abort();
        应答_ = nullptr;
    }
    delete 网络_;
    网络_ = nullptr;
    if (期限_ != nullptr) {
        期限_->stop();
    }
}

void 升级检查::收到头部() {
    if (应答_ == nullptr) {
        return;
    }
    const QVariant 长度 = 应答_->header(QNetworkRequest::ContentLengthHeader);
    const int 状态 = 应答_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool 是重定向 = 状态 >= 300 && 状态 < 400;
    if (!是重定向 && 长度.isValid() && 长度.toLongLong() > 最大列表字节) {
        中止(结果::列表过大);
    }
}

void 升级检查::收到数据() {
    if (应答_ == nullptr) {
        return;
    }
    内容_ += 应答_->readAll();
    if (内容_.size() > 最大列表字节) {
        中止(结果::列表过大);
    }
}

void 升级检查::中止(结果 原因) {
    if (应答_ == nullptr || 有中止原因_) {
        return;
    }
    有中止原因_ = true;
    中止原因_ = 原因;
    内容_.clear();
    应答_->abort();  // finishes the reply; 传输结束 reports the reason
}

void 升级检查::传输结束() {
    if (应答_ == nullptr) {
        return;
    }
    QNetworkReply* const 应答 = 应答_;
    应答_ = nullptr;
    应答->disconnect(this);
    应答->deleteLater();
    期限_->stop();

    if (有中止原因_) {
        结束(中止原因_);
        return;
    }
    if (应答->error() != QNetworkReply::NoError) {
        细节_ = 应答->errorString();
        结束(结果::网络错误);
        return;
    }
    if (const int 状态 = 应答->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        状态 != 200) {
        细节_ = QStringLiteral("HTTP status %1").arg(状态);
        结束(结果::网络错误);
        return;
    }
    内容_ += 应答->readAll();
    if (内容_.size() > 最大列表字节) {
        结束(结果::列表过大);
        return;
    }
    const auto 信息 = 解析升级列表(内容_);
    内容_.clear();
    if (!信息) {
        结束(结果::列表无效);
        return;
    }
    if (!有更新版本(设置_.当前版本, 信息->版本文字)) {
        结束(结果::已是最新);
        return;
    }
    提问(信息->下载页, 信息->版本文字);
}

void 升级检查::提问(const QUrl& 下载页, const QString& 新版本) {
    QWidget* 父窗口 = 父窗口_.data();
    if (父窗口 != nullptr && !父窗口->isVisible()) {
        父窗口 = nullptr;
    }
    // The list may come over plain http: the user sees the very address a yes opens, in its
    // encoded form, where no look-alike letter or direction mark hides the real host.
    auto* 对话框 =
        new QMessageBox(QMessageBox::Question, 设置_.标题,
                        QStringLiteral("发现新版本 %1（当前版本 %2）。\n是否打开下载页面？\n\n%3")
                            .arg(新版本, 设置_.当前版本, QString::fromLatin1(下载页.toEncoded())),
                        QMessageBox::Yes | QMessageBox::No, 父窗口);
    对话框->setTextFormat(Qt::PlainText);
    对话框->setAttribute(Qt::WA_DeleteOnClose);
    // Shown without a parent while the main window is hidden; the icon is still the program's.
    if (父窗口_) {
        对话框->setWindowIcon(父窗口_->windowIcon());
    }
    对话框->setDefaultButton(QMessageBox::Yes);
    connect(对话框, &QMessageBox::finished, this, [this, 下载页](int 按钮) {
        if (按钮 == QMessageBox::Yes) {
            QDesktopServices::openUrl(下载页);
            结束(结果::用户同意);
        } else {
            结束(结果::用户拒绝);
        }
    });
    // A question destroyed unanswered (its parent window went away) counts as a no.
    connect(对话框, &QObject::destroyed, this, [this] { 结束(结果::用户拒绝); });
    提问框_ = 对话框;
    对话框->show();
}

void 升级检查::结束(结果 原因) {
    if (已结束_) {
        return;
    }
    已结束_ = true;
    if (const char* 为何 = 失败说明(原因)) {
        qCWarning(lcUpdate, "the update check of %s ended without a question: %s%s%s",
                  qUtf8Printable(地址_.toDisplayString()), 为何, 细节_.isEmpty() ? "" : ": ",
                  qUtf8Printable(细节_));
    }
    if (回调_) {
        回调_(原因);
    }
    deleteLater();
}

}  // namespace 升级
