// SPDX-License-Identifier: MIT
// The built update library, loaded through the program's bridge the way the program loads it,
// against a hostile server on 127.0.0.1: a 10 MB list, a server that never answers, a redirect
// loop, malformed text, an answer that is not HTTP at all. None of them brings a dialog, DoUpdate
// returns at once, and the user interface keeps running throughout (a 20 ms timer never stalls
// for as long as a second: a check that waited synchronously would stall it for seconds).
// A well-formed list with a newer version is the control: its question must be seen.
//
// Each case runs in its own probe process (update_probe.cpp), all at the same time, because the
// library runs only one check per process.

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <map>
#include <memory>

namespace {

constexpr qint64 十兆 = qint64{10} * 1024 * 1024;
constexpr int 观察毫秒 = 3000;

// A small HTTP server that misbehaves on purpose, one way per path.
class 恶意服务器 {
  public:
    bool 监听() {
        QObject::connect(&服务器_, &QTcpServer::newConnection, [this] { 接受(); });
        return 服务器_.listen(QHostAddress::LocalHost);
    }
    QString 地址(const char* 路径) const {
        return QStringLiteral("http://127.0.0.1:%1%2")
            .arg(服务器_.serverPort())
            .arg(QLatin1String(路径));
    }
    int 请求数(const QByteArray& 路径) const { return 请求_.count(路径) ? 请求_.at(路径) : 0; }
    qint64 已发大表() const { return 已发大表_; }

  private:
    void 接受() {
        while (QTcpSocket* 连接 = 服务器_.nextPendingConnection()) {
            auto 缓冲 = std::make_shared<QByteArray>();
            QObject::connect(连接, &QTcpSocket::disconnected, 连接, &QObject::deleteLater);
            QObject::connect(连接, &QTcpSocket::readyRead, 连接, [this, 连接, 缓冲] {
                *缓冲 += 连接->readAll();
                qsizetype 尾;
                while ((尾 = 缓冲->indexOf("\r\n\r\n")) >= 0) {
                    const QByteArray 请求行 = 缓冲->left(缓冲->indexOf("\r\n"));
                    缓冲->remove(0, 尾 + 4);
                    const QByteArray 路径 = 请求行.split(' ').value(1);
                    ++请求_[路径];
                    回答(连接, 路径);
                }
            });
        }
    }

    void 回答(QTcpSocket* 连接, const QByteArray& 路径) {
        if (路径 == "/newer") {
            const QByteArray 表 =
                "# list\nversion=99.0.0\nurl=https://download.quillet.example/get\n";
            连接->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                        QByteArray::number(表.size()) + "\r\nConnection: close\r\n\r\n" + 表);
            连接->disconnectFromHost();
        } else if (路径 == "/silent") {
            // never a byte
        } else if (路径 == "/loop") {
            连接->write("HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\n\r\n");
        } else if (路径 == "/huge") {
            // Ten megabytes of a list that begins like a good one, sent as fast as it is taken.
            连接->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                        QByteArray::number(十兆) + "\r\nConnection: close\r\n\r\n");
            auto 剩余 = std::make_shared<qint64>(十兆);
            auto 送 = [this, 连接, 剩余] {
                while (*剩余 > 0 && 连接->bytesToWrite() < qint64{256} * 1024) {
                    QByteArray 块(qMin<qint64>(*剩余, 64 * 1024), '#');
                    if (*剩余 == 十兆) {
                        块.replace(0, 15, "version=99.0.0\n");
                    }
                    *剩余 -= 块.size();
                    已发大表_ += 块.size();
                    连接->write(块);
                }
            };
            QObject::connect(连接, &QTcpSocket::bytesWritten, 连接, 送);
            送();
        } else if (路径 == "/malformed") {
            QByteArray 乱(qsizetype{64} * 1024, '\0');
            QRandomGenerator 随机(11);
            for (char& 字 : 乱) {
                字 = static_cast<char>(随机.bounded(256));
            }
            乱.prepend("version=\xff\xfe 9999999999999999999999.1.\nurl=javascript:alert(1)\n\0\0");
            连接->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(乱.size()) +
                        "\r\nConnection: close\r\n\r\n" + 乱);
            连接->disconnectFromHost();
        } else if (路径 == "/not-http") {
            连接->write(
                "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03 garbage, not an answer\r\n\r\n");
            连接->disconnectFromHost();
        } else {
            连接->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        }
    }

    QTcpServer 服务器_;
    std::map<QByteArray, int> 请求_;
    qint64 已发大表_ = 0;
};

struct 观察结果 {
    int 到达 = -1;
    int 调用毫秒 = -1;
    int 节拍 = -1;
    int 最大间隔 = -1;
    int 对话框 = -1;
};

观察结果 解析(const QByteArray& 输出) {
    static const QRegularExpression 式(QStringLiteral(
        "reached=(\\d+) call_ms=(\\d+) ticks=(\\d+) max_gap_ms=(\\d+) dialogs=(\\d+)"));
    const auto 配 = 式.match(QString::fromUtf8(输出));
    if (!配.hasMatch()) {
        return {};
    }
    return {配.captured(1).toInt(), 配.captured(2).toInt(), 配.captured(3).toInt(),
            配.captured(4).toInt(), 配.captured(5).toInt()};
}

}  // namespace

class UpdateServerTest : public QObject {
    Q_OBJECT

  private slots:
    void hostileServersBringNoDialogAndNoFreeze() {
        恶意服务器 服务器;
        QVERIFY(服务器.监听());
        const char* const 路径[] = {"/newer", "/huge",      "/silent",
                                    "/loop",  "/malformed", "/not-http"};
        std::map<QString, std::unique_ptr<QProcess>> 探针;
        for (const char* 一个 : 路径) {
            auto 进程 = std::make_unique<QProcess>();
            QProcessEnvironment 环境 = QProcessEnvironment::systemEnvironment();
            环境.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            环境.remove(QStringLiteral("QUILLET_UPDATE_TIMEOUT_MS"));  // the library's own limits
            进程->setProcessEnvironment(环境);
            进程->start(
                QStringLiteral(UPDATE_PROBE),
                {QStringLiteral(UPDATE_LIBRARY_DIR), 服务器.地址(一个), QString::number(观察毫秒)});
            探针[QLatin1String(一个)] = std::move(进程);
        }
        // Serve while the probes watch.
        QTRY_VERIFY_WITH_TIMEOUT(
            std::all_of(探针.begin(), 探针.end(),
                        [](const auto& 对) { return 对.second->state() == QProcess::NotRunning; }),
            60000);
        for (const auto& [名, 进程] : 探针) {
            const QByteArray 输出 = 进程->readAllStandardOutput();
            const QByteArray 错误 = 进程->readAllStandardError();
            const 观察结果 结果 = 解析(输出);
            qInfo("%s: %s", qPrintable(名), 输出.trimmed().constData());
            QVERIFY2(进程->exitStatus() == QProcess::NormalExit && 进程->exitCode() == 0,
                     qPrintable(名 + QLatin1String(": ") + QString::fromLocal8Bit(错误)));
            QVERIFY2(结果.到达 == 1,
                     qPrintable(名 + QLatin1String(": the library was not reached")));
            QVERIFY2(结果.调用毫秒 < 1000,
                     qPrintable(名 + QStringLiteral(": DoUpdate took %1 ms").arg(结果.调用毫秒)));
            QVERIFY2(
                结果.最大间隔 < 1000,
                qPrintable(名 +
                           QStringLiteral(": the interface stalled for %1 ms").arg(结果.最大间隔)));
            QCOMPARE(结果.对话框, 名 == QLatin1String("/newer") ? 1 : 0);
        }
        // Every server really was asked, and the loop was followed at least once.
        for (const char* 一个 : 路径) {
            QVERIFY2(服务器.请求数(一个) >= 1, 一个);
        }
        QVERIFY(服务器.请求数("/loop") >= 2);
        QVERIFY(服务器.已发大表() > 0);
    }
};

QTEST_MAIN(UpdateServerTest)
#include "test_update_server.moc"
