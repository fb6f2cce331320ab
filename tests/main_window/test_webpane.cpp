// The advertisement pane against a small HTTP server on 127.0.0.1.

#include "platform/controls/webpane.h"

#include <QHash>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTest>
#include <QTextDocument>

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

class 可查面板 : public WebPane {
  public:
    using WebPane::loadResource;
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
        QCOMPARE(打开的, QList<QUrl>{QUrl(服务器.地址("/more"))});
        // The pane itself stays on its page.
        QCOMPARE(面板.地址(), QUrl(服务器.地址("/page")));
    }

    void pagesCannotReadLocalFiles() {
        QTemporaryFile 文件;
        QVERIFY(文件.open());
        文件.write("secret");
        文件.flush();
        可查面板 面板;
        QVERIFY(
            !面板.loadResource(QTextDocument::ImageResource, QUrl::fromLocalFile(文件.fileName()))
                 .isValid());
        QVERIFY(
            !面板.loadResource(QTextDocument::StyleSheetResource, QUrl(文件.fileName())).isValid());
    }
};

QTEST_MAIN(WebPaneTest)
#include "test_webpane.moc"
