#include "platform/controls/webpane.h"

#include "platform/log/log.h"
#include "platform/shell/shell.h"

#include <QAbstractTextDocumentLayout>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextObjectInterface>

#include <algorithm>

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

// Elements that open no level of nesting: those that never hold others, and those whose end
// tag may be left out (the next one of their kind closes them).
bool 不加深(QStringView 名称) {
    static const QStringList 名称表 = {
        QStringLiteral("area"),  QStringLiteral("base"),  QStringLiteral("br"),
        QStringLiteral("col"),   QStringLiteral("embed"), QStringLiteral("hr"),
        QStringLiteral("img"),   QStringLiteral("input"), QStringLiteral("link"),
        QStringLiteral("meta"),  QStringLiteral("param"), QStringLiteral("source"),
        QStringLiteral("track"), QStringLiteral("wbr"),   QStringLiteral("p"),
        QStringLiteral("li"),    QStringLiteral("dt"),    QStringLiteral("dd"),
        QStringLiteral("tr"),    QStringLiteral("td"),    QStringLiteral("th"),
        QStringLiteral("option")};
    return 名称表.contains(名称, Qt::CaseInsensitive);
}

}  // namespace

QString WebPane::超出排版限度(const QString& 页面) {
    if (页面.size() > 最大字符数) {
        return QStringLiteral("%1 characters, more than %2").arg(页面.size()).arg(最大字符数);
    }
    // Tags counted from the text alone: other unclosed elements count as still open, so real
    // pages only ever come out deeper than the toolkit sees them.
    static const QRegularExpression 标签(QStringLiteral("<(/?)([A-Za-z][A-Za-z0-9]*)([^>]*)>"));
    static const QRegularExpression 大数(
        QStringLiteral("(?:padding|spacing|border|margin)\\D{0,3}\\d{4,}|span\\D{0,3}\\d{2,}"),
        QRegularExpression::CaseInsensitiveOption);
    int 元素数 = 0;
    int 深度 = 0;
    int 表格深度 = 0;
    for (auto 它 = 标签.globalMatch(页面); 它.hasNext();) {
        const QRegularExpressionMatch 匹配 = 它.next();
        const QStringView 名称 = 匹配.capturedView(2);
        const bool 是表格 = 名称.compare(QLatin1String("table"), Qt::CaseInsensitive) == 0;
        const bool 加深 = !不加深(名称);
        if (!匹配.capturedView(1).isEmpty()) {
            深度 = 加深 ? std::max(0, 深度 - 1) : 深度;
            表格深度 = 是表格 ? std::max(0, 表格深度 - 1) : 表格深度;
            continue;
        }
        if (++元素数 > 最多元素) {
            return QStringLiteral("more than %1 elements").arg(最多元素);
        }
        if (大数.match(匹配.capturedView(3)).hasMatch()) {
            return QStringLiteral("an element spanning 10 cells or spaced 1000 or more");
        }
        if (!加深 || 匹配.capturedView(3).endsWith(u'/')) {
            continue;
        }
        if (++深度 > 最大嵌套) {
            return QStringLiteral("elements nested more than %1 deep").arg(最大嵌套);
        }
        if (是表格 && ++表格深度 > 最大表格嵌套) {
            return QStringLiteral("tables nested more than %1 deep").arg(最大表格嵌套);
        }
    }
    return {};
}

WebPane::WebPane(QWidget* 父) : QTextBrowser(父), 网络_(new QNetworkAccessManager(this)) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setFrameShape(QFrame::NoFrame);
    setUndoRedoEnabled(false);
    document()->documentLayout()->registerHandler(QTextFormat::ImageObject, new NoImages(this));
    计时器_.setSingleShot(true);
    QObject::connect(&计时器_, &QTimer::timeout, this, [this] {
        if (回复_) {
            回复_->abort();
        }
    });
    QObject::connect(this, &QTextBrowser::anchorClicked, this,
                     [this](const QUrl& 链接) { 链接被点击(链接); });
    打开链接 = [](const QUrl& 地址) { shell::打开(地址.toString()); };
}

WebPane::~WebPane() {
    加载完成 = nullptr;
    if (回复_) {
        回复_->disconnect(this);
        回复_->abort();
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
    if (回复_) {
        QNetworkReply* 旧 = 回复_;
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
    if (const QString 原因 = 超出排版限度(文字); !原因.isEmpty()) {
        qCWarning(lcControls, "The page %s is not shown: %s.",
                  qUtf8Printable(回复->url().toDisplayString()), qUtf8Printable(原因));
        结束(false);
        return;
    }
    document()->setBaseUrl(回复->url());
    if (类型.toLower().startsWith("text/plain")) {
        setPlainText(文字);
    } else {
        setHtml(文字);
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
