// SPDX-License-Identifier: MIT
// Values written to the log cannot reach a terminal as control codes; an exception boundary
// ends every exception in the log.

#include "platform/log/log.h"

#include <QtTest>

#include <stdexcept>

namespace {

QStringList 收到的;

void 记下(QtMsgType, const QMessageLogContext&, const QString& 消息) {
    收到的 << 消息;
}

}  // namespace

class TestLog : public QObject {
    Q_OBJECT

  private slots:
    void controlCharactersAreEscapedInEveryMessage() {
        QCOMPARE(platform::log::转义控制字符(
                     QStringLiteral("OK\x1b[2J\x1b]0;title\x07 a\nb\r\tc\x7f\u0085\u2028 中文")),
                 QStringLiteral("OK\\x1b[2J\\x1b]0;title\\x07 a\\nb\\r\\tc\\x7f\\x85\\u2028 中文"));

        // Through the handler: a printf-style value and an unquoted stream value alike, and
        // the handler in place before still writes the message.
        const QtMessageHandler 之前 = qInstallMessageHandler(记下);
        platform::log::转义全部日志();
        platform::log::转义全部日志();  // a second call changes nothing
        const QString 理由 = QStringLiteral("Not Found\x1b[31m\n[forged] line");
        qCWarning(lcControls, "the page is not shown: %s", qUtf8Printable(理由));
        qCWarning(lcStore).noquote() << 理由;
        qInstallMessageHandler(之前);
        QCOMPARE(收到的,
                 (QStringList{
                     QStringLiteral("the page is not shown: Not Found\\x1b[31m\\n[forged] line"),
                     QStringLiteral("Not Found\\x1b[31m\\n[forged] line")}));
    }

    void exceptionBoundaryLogsWhatFailedAndGoesOn() {
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(QStringLiteral("line \\d+: reading a row failed: row 3 is gone$")));
        QVERIFY(!platform::log::异常边界(lcMain, "reading a row failed",
                                         [] { throw std::out_of_range("row 3 is gone"); }));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("an exception of unknown type$")));
        QVERIFY(!platform::log::异常边界(lcControls, "a key failed", [] { throw 42; }));
        int 次数 = 0;
        QVERIFY(platform::log::异常边界(lcMain, "counting failed", [&] { ++次数; }));
        QCOMPARE(次数, 1);
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "test_log.moc"
