// SPDX-License-Identifier: MIT
// The advertisement pane against a small HTTP server on 127.0.0.1.

#include "platform/controls/webpane.h"

#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using platform::controls::WebPane;

namespace {

// Answers each request by its path; "/silent" never answers.
class 小服务器 : public QTcpServer {
  public:
    QHash<QByteArray, QByteArray> 回答;

    bool 启动() { return listen(QHostAddress::LocalHost, 0); }
    QString 地址(const char* 路径) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(QLatin1String(路径));
    }

  protected:
    void incomingConnection(qintptr 描述符) override {
        auto* 连接 = new QTcpSocket(this);
        连接->setSocketDescriptor(描述符);
        connect(连接, &QTcpSocket::readyRead, 连接, [this, 连接] {
            请求_[连接] += 连接->readAll();
            const QByteArray& 请求 = 请求_[连接];
            if (!请求.contains("\r\n\r\n")) {
                return;
            }
            const QByteArray 路径 = 请求.split(' ').value(1);
            if (路径 == "/silent") {
                return;
            }
            连接->write(回答.value(路径, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
            连接->disconnectFromHost();
        });
    }

  private:
    QHash<QTcpSocket*, QByteArray> 请求_;
};

QByteArray 响应(const QByteArray& 类型, const QByteArray& 正文) {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + 类型 +
           "\r\nContent-Length: " + QByteArray::number(正文.size()) +
           "\r\nConnection: close\r\n\r\n" + 正文;
}

struct 结果记录 {
    int 次数 = 0;
    bool 成功 = false;
    void 接上(WebPane& 面板) {
        面板.加载完成 = [this](bool 好) {
            ++次数;
            成功 = 好;
        };
    }
};

}  // namespace

class WebPaneTest : public QObject {
    Q_OBJECT

  private:
    小服务器 服务器;

  private slots:
    void initTestCase() {
        QVERIFY(服务器.启动());
        服务器.回答["/page"] = 响应("text/html; charset=utf-8",
                                    "<html><body><p>广告内容</p><a href=\"/more\">更多</a></body>"
                                    "</html>");
        服务器.回答["/plain"] = 响应("text/plain; charset=utf-8", "<b>not bold</b>");
        服务器.回答["/latin1"] = 响应("text/html; charset=iso-8859-1", "<p>caf\xe9</p>");
        服务器.回答["/big"] = 响应("text/html", QByteArray(200000, 'x'));
    }

    void loadsWithoutWaitingAndShowsThePage() {
        WebPane 面板;
        结果记录 结果;
        结果.接上(面板);
        面板.导航(服务器.地址("/page"));
        // Nothing has arrived yet when the call returns.
        QCOMPARE(面板.当前状态(), WebPane::状态::加载中);
        QCOMPARE(结果.次数, 0);
        QTRY_COMPARE_WITH_TIMEOUT(结果.次数, 1, 10000);
        QVERIFY(结果.成功);
        QCOMPARE(面板.当前状态(), WebPane::状态::已显示);
        QVERIFY(面板.toPlainText().contains(QStringLiteral("广告内容")));
        QCOMPARE(面板.地址(), QUrl(服务器.地址("/page")));
    }

    void plainTextAndDeclaredCharsets() {
        WebPane 面板;
        结果记录 结果;
        结果.接上(面板);
        面板.导航(服务器.地址("/plain"));
        QTRY_COMPARE_WITH_TIMEOUT(结果.次数, 1, 10000);
        QCOMPARE(面板.toPlainText(), QStringLiteral("<b>not bold</b>"));
        面板.导航(服务器.地址("/latin1"));
        QTRY_COMPARE_WITH_TIMEOUT(结果.次数, 2, 10000);
        QCOMPARE(面板.toPlainText(), QStringLiteral("café"));
    }

    void decodeByHeaderThenMetaThenUtf8() {
        const QByteArray 拉丁 = "<p>caf\xe9</p>";
        QCOMPARE(WebPane::解码页面(拉丁, "text/html; charset=ISO-8859-1"),
                 QStringLiteral("<p>café</p>"));
        const QByteArray 带元标记 = "<meta charset=\"iso-8859-1\"><p>caf\xe9</p>";
        QVERIFY(WebPane::解码页面(带元标记, "text/html").endsWith(QStringLiteral("café</p>")));
        // The header wins over the page's own tag.
        const QByteArray 实为UTF8 = "<meta charset=\"iso-8859-1\"><p>caf\xc3\xa9</p>";
        QVERIFY(WebPane::解码页面(实为UTF8, "text/html; charset=utf-8")
                    .endsWith(QStringLiteral("café</p>")));
        // An unknown name falls back to UTF-8.
        QCOMPARE(WebPane::解码页面("\xe5\xb9\xbf\xe5\x91\x8a", "text/html; charset=no-such-set"),
                 QStringLiteral("广告"));
        // GBK where the toolkit knows it (Chinese pages often use it).
        QStringDecoder 试(QStringLiteral("GBK").toLatin1().constData());
        if (试.isValid()) {
            QCOMPARE(WebPane::解码页面("\xb9\xe3\xb8\xe6", "text/html; charset=gbk"),
                     QStringLiteral("广告"));
        }
    }

    void failuresLeaveThePlaceholder_data() {
        QTest::addColumn<QString>("地址");
        QTest::newRow("not found") << 服务器.地址("/missing");
        QTest::newRow("refused") << QStringLiteral("http://127.0.0.1:9/ad.html");
        QTest::newRow("too large") << 服务器.地址("/big");
        QTest::newRow("no answer") << 服务器.地址("/silent");
        QTest::newRow("local file") << QStringLiteral("file:///etc/hostname");
        QTest::newRow("not an address") << QStringLiteral("::::");
    }

    void failuresLeaveThePlaceholder() {
        QFETCH(QString, 地址);
        WebPane 面板;
        面板.设置占位文字(QStringLiteral("占位"));
        面板.设置最大字节数(100000);
        面板.设置超时毫秒(300);
        结果记录 结果;
        结果.接上(面板);
        面板.导航(地址);
        QCOMPARE(结果.次数, 0);
        QTRY_COMPARE_WITH_TIMEOUT(结果.次数, 1, 10000);
        QVERIFY(!结果.成功);
        QCOMPARE(面板.当前状态(), WebPane::状态::失败);
        QCOMPARE(面板.toPlainText(), QStringLiteral("占位"));
    }

    void aNewNavigationSupersedesTheOld() {
        WebPane 面板;
        面板.设置超时毫秒(300);
        结果记录 结果;
        结果.接上(面板);
        面板.导航(服务器.地址("/silent"));
        面板.导航(服务器.地址("/page"));
        QTRY_COMPARE_WITH_TIMEOUT(结果.次数, 1, 10000);
        QTest::qWait(600);  // past the first load's time limit
        QCOMPARE(结果.次数, 1);
        QVERIFY(结果.成功);
        QVERIFY(面板.toPlainText().contains(QStringLiteral("广告内容")));
    }

    void linksOpenOutsideAndOnlyWebAddresses() {
        WebPane 面板;
        QList<QUrl> 打开的;
        面板.打开链接 = [&](const QUrl& 地址) { 打开的 << 地址; };
        结果记录 结果;
        结果.接上(面板);
        面板.导航(服务器.地址("/page"));
        QTRY_COMPARE_WITH_TIMEOUT(结果.次数, 1, 10000);
        emit 面板.anchorClicked(QUrl(QStringLiteral("/more")));
        emit 面板.anchorClicked(QUrl(QStringLiteral("javascript:alert(1)")));
        emit 面板.anchorClicked(QUrl(QStringLiteral("file:///etc/passwd")));
        emit 面板.anchorClicked(QUrl(QStringLiteral("mailto:a@example.com?attach=/etc/passwd")));
        QCOMPARE(打开的, QList<QUrl>{QUrl(服务器.地址("/more"))});
        // The pane itself stays on its page.
        QCOMPARE(面板.地址(), QUrl(服务器.地址("/page")));
    }

    void pagesCannotReadLocalFilesNorWaitOnThem() {
        QTemporaryDir 目录;
        QVERIFY(目录.isValid());
        const QString 图片 = 目录.filePath(QStringLiteral("secret.png"));
        QImage(4, 4, QImage::Format_RGB32).save(图片);
        QStringList 名称 = {QUrl::fromLocalFile(图片).toString(), 图片};
#ifndef Q_OS_WIN
        // A FIFO would hold a reader forever (Windows has no such files).
        const QString 管道 = 目录.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(管道).constData(), 0600), 0);
        名称 << QUrl::fromLocalFile(管道).toString() << 管道;
#endif
        QByteArray 页面 =
            "<html><head><link rel=stylesheet href=\"" + 名称.back().toUtf8() + "\"></head><body>";
        for (const QString& 名 : 名称) {
            页面 += "<img src=\"" + 名.toUtf8() + "\"><p style=\"background-image: url(" +
                    名.toUtf8() + ")\">x</p>";
        }
        服务器.回答["/local"] = 响应("text/html", 页面 + "</body></html>");
        WebPane 面板;
        结果记录 结果;
        结果.接上(面板);
        面板.导航(服务器.地址("/local"));
        QTRY_COMPARE_WITH_TIMEOUT(结果.次数, 1, 10000);
        QVERIFY(结果.成功);
        面板.grab();
        for (const QString& 名 : 名称) {
            const QVariant 资源 = 面板.document()->resource(QTextDocument::ImageResource, QUrl(名));
            QVERIFY2(资源.value<QByteArray>().isEmpty() && 资源.value<QImage>().isNull() &&
                         资源.value<QPixmap>().isNull(),
                     qPrintable(名));
        }
    }

    void pagesTooDeepOrTooLargeToLayOutAreRefused_data() {
        QTest::addColumn<QByteArray>("页面");
        QTest::newRow("2,000 nested blocks")
            << QByteArray("<div>").repeated(2000) + "x" + QByteArray("</div>").repeated(2000);
        QTest::newRow("nested tables") << QByteArray("<table><tr><td>").repeated(16) + "x" +
                                              QByteArray("</td></tr></table>").repeated(16);
        QTest::newRow("2,000 elements side by side") << QByteArray("<b>x</b>").repeated(2000);
        QTest::newRow("20,000 characters of text") << QByteArray(20000, 'x');
        QTest::newRow("one long word") << QByteArray(300000, 'x');
    }
    void pagesTooDeepOrTooLargeToLayOutAreRefused() {
        QFETCH(QByteArray, 页面);
        服务器.回答["/heavy"] = 响应("text/html", 页面);
        WebPane 面板;
        面板.设置占位文字(QStringLiteral("占位"));
        结果记录 结果;
        结果.接上(面板);
        面板.导航(服务器.地址("/heavy"));
        QTRY_COMPARE_WITH_TIMEOUT(结果.次数, 1, 10000);
        QVERIFY(!结果.成功);
        QCOMPARE(面板.toPlainText(), QStringLiteral("占位"));
    }
};

QTEST_MAIN(WebPaneTest)
#include "test_webpane.moc"
