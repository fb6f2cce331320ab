// SPDX-License-Identifier: MIT
#include "platform/controls/webpane.h"

#include "platform/controls/page_filter.h"
#include "platform/log/log.h"
#include "platform/shell/shell.h"

#include <QAbstractTextDocumentLayout>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextObjectInterface>

namespace platform::controls {

namespace {

// Images of a page take no room and draw nothing. The toolkit's own image handler would read
// a name that is not a resource straight from the local file system, and a device or a FIFO
// named there would exhaust the memory or wait for ever.
class NoImages : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

  public:
    using QObject::QObject;
    QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat&) override { return {}; }
    void drawObject(QPainter*, const QRectF&, QTextDocument*, int, const QTextFormat&) override {}
};

}  // namespace

WebPane::WebPane(QWidget* 父) : QTextBrowser(父), 网络_(new QNetworkAccessManager(this)) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setFrameShape(QFrame::NoFrame);
    setUndoRedoEnabled(false);
    document()->documentLayout()->registerHandler(QTextFormat::ImageObject, new NoImages(this));
    计时器_.setSingleShot(true);
    QObject::connect(&计时器_, &QTimer::timeout, this, [this] {
        if (QNetworkReply* const 回复 = 回复_) {
            回复->abort();
        }
    });
    QObject::connect(this, &QTextBrowser::anchorClicked, this,
                     [this](const QUrl& 链接) { 链接被点击(链接); });
    打开链接 = [](const QUrl& 地址) { shell::打开(地址.toString()); };
}

WebPane::~WebPane() {
    加载完成 = nullptr;
    if (QNetworkReply* const 回复 = 回复_) {
        回复->disconnect(this);
        回复->abort();
    }
}

void WebPane::设置占位文字(const QString& 文字) {
    占位文字_ = 文字;
    if (状态_ != 状态::已显示) {
        显示占位();
    }
}

void WebPane::显示占位() {
    document()->setBaseUrl(QUrl());
    if (占位文字_.isEmpty()) {
        clear();
        return;
    }
    setHtml(QStringLiteral("<p align=\"center\" style=\"color:#a0a0a0\">%1</p>")
                .arg(占位文字_.toHtmlEscaped()));
}

void WebPane::导航(const QString& 文字地址) {
    if (QNetworkReply* const 旧 = 回复_) {
        回复_ = nullptr;
        旧->disconnect(this);
        旧->abort();
        旧->deleteLater();
    }
    计时器_.stop();
    地址_ = QUrl(文字地址);
    状态_ = 状态::加载中;
    显示占位();
    const QString 协议 = 地址_.scheme().toLower();
    if (!地址_.isValid() || (协议 != QLatin1String("http") && 协议 != QLatin1String("https"))) {
        // Reported from the event loop like every other outcome, so callers never see the
        // result before 导航 has returned.
        QTimer::singleShot(0, this, [this] {
            if (状态_ == 状态::加载中 && !回复_) {
                结束(false);
            }
        });
        return;
    }
    QNetworkRequest 请求(地址_);
    请求.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                      QNetworkRequest::NoLessSafeRedirectPolicy);
    请求.setMaximumRedirectsAllowed(5);
    请求.setTransferTimeout(超时毫秒_);
    QNetworkReply* 回复 = 网络_->get(请求);
    回复_ = 回复;
    QObject::connect(回复, &QNetworkReply::downloadProgress, this,
                     [this, 回复](qint64 已收, qint64 总数) {
                         if (已收 > 最大字节数_ || 总数 > 最大字节数_) {
                             回复->abort();
                         }
                     });
    QObject::connect(回复, &QNetworkReply::finished, this, [this, 回复] { 完成(回复); });
    计时器_.start(超时毫秒_);
}

void WebPane::完成(QNetworkReply* 回复) {
    回复->deleteLater();
    if (回复 != 回复_) {
        return;
    }
    回复_ = nullptr;
    计时器_.stop();
    const QByteArray 正文 = 回复->readAll();
    if (回复->error() != QNetworkReply::NoError || 正文.size() > 最大字节数_) {
        qCWarning(lcControls, "The page %s is not shown: %s.",
                  qUtf8Printable(回复->url().toDisplayString()),
                  qUtf8Printable(正文.size() > 最大字节数_
                                     ? QStringLiteral("larger than %1 bytes").arg(最大字节数_)
                                     : 回复->errorString()));
        结束(false);
        return;
    }
    const QByteArray 类型 = 回复->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    const QString 文字 = 解码页面(正文, 类型);
    const bool 纯文本 = 类型.toLower().startsWith("text/plain");
    const 整理后的页面 页面 = 纯文本 ? 整理后的页面{} : 整理页面(文字);
    const QString 原因 = 纯文本 && 文字.size() > 页面限度::最多文字
                             ? QStringLiteral("more than %1 characters").arg(页面限度::最多文字)
                             : 页面.拒绝原因;
    if (!原因.isEmpty()) {
        qCWarning(lcControls, "The page %s is not shown: %s.",
                  qUtf8Printable(回复->url().toDisplayString()), qUtf8Printable(原因));
        结束(false);
        return;
    }
    document()->setBaseUrl(回复->url());
    if (纯文本) {
        setPlainText(文字);
    } else {
        setHtml(页面.html);
    }
    结束(true);
}

void WebPane::结束(bool 成功) {
    状态_ = 成功 ? 状态::已显示 : 状态::失败;
    if (!成功) {
        显示占位();
    }
    if (加载完成) {
        加载完成(成功);
    }
}

QString WebPane::解码页面(const QByteArray& 正文, const QByteArray& 内容类型) {
    static const QRegularExpression 字符集(
        QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QString 名称;
    auto 匹配 = 字符集.match(QString::fromLatin1(内容类型));
    if (匹配.hasMatch()) {
        名称 = 匹配.captured(1);
    } else {
        匹配 = 字符集.match(QString::fromLatin1(正文.left(2048)));
        if (匹配.hasMatch()) {
            名称 = 匹配.captured(1);
        }
    }
    if (!名称.isEmpty()) {
        QStringDecoder 解码器(名称.toLatin1().constData());
        if (解码器.isValid()) {
            const QString 文字 = 解码器.decode(正文);
            if (!解码器.hasError()) {
                return 文字;
            }
        }
    }
    return QString::fromUtf8(正文);
}

QVariant WebPane::loadResource(int, const QUrl&) {
    // Nothing referenced by a page is read: neither local files nor, synchronously, the network.
    // The answer is empty but not null: for a null one the document reads local files itself.
    return QByteArray();
}

void WebPane::链接被点击(const QUrl& 链接) {
    const QUrl 完整 = document()->baseUrl().resolved(链接);
    const QString 协议 = 完整.scheme().toLower();
    if (协议 != QLatin1String("http") && 协议 != QLatin1String("https")) {
        qCWarning(lcControls, "A link of the page is not opened: only web addresses are, not %s.",
                  qUtf8Printable(完整.toDisplayString()));
        return;
    }
    if (打开链接) {
        打开链接(完整);
    }
}

}  // namespace platform::controls

#include "webpane.moc"
