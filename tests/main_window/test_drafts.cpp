// SPDX-License-Identifier: MIT
// Drafts of the editors' unsaved text: kept while the editor is open, kept when the program is
// told to stop, offered again at the next start, and draft files read as untrusted input.

#include "main_form_fixture.h"

#include "editor/drafts.h"
#include "editor/editor_dialog.h"
#include "platform/controls/listview.h"
#include "platform/dao/dao.h"
#include "platform/startup/quit_signal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>

#include <csignal>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace 测试;

namespace {

QString 草稿目录(const 程序目录& 目录) {
    return QDir(目录.路径()).filePath(QStringLiteral("drafts"));
}

// The drafts on disk as the next start reads them.
std::vector<草稿::草稿箱::条目> 草稿表(const 程序目录& 目录) {
    return 草稿::草稿箱(目录.数据库()).读取全部();
}

void 写文件(const QString& 路径, const QByteArray& 字节) {
    QFile 文件(路径);
    QVERIFY(文件.open(QIODevice::WriteOnly));
    QCOMPARE(文件.write(字节), 字节.size());
}

// Answers every restore question with the button whose caption is given, and counts them.
class 恢复应答 {
  public:
    explicit 恢复应答(QString 按钮文字) {
        QObject::connect(&计时器, &QTimer::timeout, [this, 按钮文字] {
            auto* 框 = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!框 || !框->isVisible()) {
                return;
            }
            ++次数;
            文字 << 框->text();
            for (QAbstractButton* 键 : 框->buttons()) {
                if (键->text() == 按钮文字) {
                    键->click();
                    return;
                }
            }
            框->reject();
        });
        计时器.start(10);
    }
    int 次数 = 0;
    QStringList 文字;
    QTimer 计时器;
};

// Ends the event loop the way the session does: a termination signal, once 条件 holds.
void 条件成立时发信号(std::function<bool()> 条件) {
    auto* 计时器 = new QTimer(qApp);
    QObject::connect(计时器, &QTimer::timeout, [计时器, 条件] {
        if (条件()) {
            计时器->deleteLater();
            计时器->stop();
            std::raise(SIGTERM);
        }
    });
    计时器->start(10);
}

class DraftsTest : public QObject {
    Q_OBJECT

  private:
    std::optional<程序目录> 目录;
    std::vector<int> 编号;

    Form_Main* 启动() {
        Form_Main* 窗口 = 新主窗口(*目录);
        return 窗口->Form_Load() == 0 ? 窗口 : nullptr;
    }

    Form_添加便签* 修改(Form_Main& 窗口, int 行) {
        窗口.ListView_Quillet->选中(行);
        窗口.编辑_修改_Click();
        return 编辑器窗口().empty() ? nullptr : 编辑器窗口().back();
    }

  private slots:
    void init() {
        目录.emplace();
        QVERIFY(目录->有效());
        编号 = 目录->添加({{QStringLiteral("第一条")}, {QStringLiteral("第二条")}});
    }
    void cleanup() {
        清理();
        目录.reset();
    }

    void draftFollowsTheTextAndGoesWithSaveOrClose() {
        Form_Main* 窗口 = 启动();
        QVERIFY(窗口);
        窗口->文件_新建_Click();
        Form_添加便签* 编辑器 = 编辑器窗口().back();
        编辑器->FlatEdit_内容()->insertPlainText(QStringLiteral("还没保存"));
        // Written while the editor stays open, without any save or exit.
        QTRY_COMPARE_WITH_TIMEOUT(草稿表(*目录).size(), std::size_t{1}, 5000);
        QCOMPARE(草稿表(*目录)[0].草稿.内容, QStringLiteral("还没保存"));
        QCOMPARE(草稿表(*目录)[0].草稿.便签编号, 0);
#ifndef Q_OS_WIN
        struct stat 信息 {};
        QCOMPARE(::stat(QFile::encodeName(草稿目录(*目录)).constData(), &信息), 0);
        QCOMPARE(信息.st_mode & 0777, 0700u);
        const QString 文件 = QDir(草稿目录(*目录)).filePath(草稿表(*目录)[0].文件名);
        QCOMPARE(::stat(QFile::encodeName(文件).constData(), &信息), 0);
        QCOMPARE(信息.st_mode & 0777, 0600u);
#endif
        // Saving removes it; the box emptied by 保存继续添加 leaves nothing to keep.
        编辑器->PushButton_保存且继续添加_Click();
        QVERIFY(草稿表(*目录).empty());
        QTest::qWait(1500);
        QVERIFY(草稿表(*目录).empty());

        // An edit back to the stored text needs no draft; closing the editor discards one.
        Form_添加便签* 修改器 = 修改(*窗口, 1);
        QVERIFY(修改器);
        修改器->FlatEdit_内容()->setPlainText(QStringLiteral("第一条，改过"));
        QTRY_COMPARE_WITH_TIMEOUT(草稿表(*目录).size(), std::size_t{1}, 5000);
        QCOMPARE(草稿表(*目录)[0].草稿.便签编号, 编号[0]);
        修改器->FlatEdit_内容()->setPlainText(QStringLiteral("第一条"));
        QTRY_VERIFY_WITH_TIMEOUT(草稿表(*目录).empty(), 5000);
        修改器->FlatEdit_内容()->setPlainText(QStringLiteral("又改了"));
        QTRY_COMPARE_WITH_TIMEOUT(草稿表(*目录).size(), std::size_t{1}, 5000);
        修改器->close();
        QTRY_VERIFY(草稿表(*目录).empty());
    }

#ifndef Q_OS_WIN
    // A draft is written again only after the text changed: a note of megabytes costs its draft
    // a fifth of a second, and the exit and the session manager ask for every draft at once.
    // Each write replaces the file (a new inode).
    void draftIsRewrittenOnlyAfterAChange() {
        Form_Main* 窗口 = 启动();
        QVERIFY(窗口);
        QCoreApplication::processEvents();  // the start's offer of drafts: there are none yet
        窗口->文件_新建_Click();
        Form_添加便签* 编辑器 = 编辑器窗口().back();
        编辑器->FlatEdit_内容()->insertPlainText(QStringLiteral("一"));
        草稿::全部立即保存();
        QCOMPARE(草稿表(*目录).size(), std::size_t{1});
        const QString 文件 = QDir(草稿目录(*目录)).filePath(草稿表(*目录)[0].文件名);
        const auto 节点 = [&文件] {
            struct stat 信息 {};
            return ::stat(QFile::encodeName(文件).constData(), &信息) == 0 ? 信息.st_ino : 0;
        };
        const auto 第一次 = 节点();
        QVERIFY(第一次 != 0);
        草稿::全部立即保存();
        QCOMPARE(节点(), 第一次);
        编辑器->FlatEdit_内容()->insertPlainText(QStringLiteral("二"));
        草稿::全部立即保存();
        QVERIFY(节点() != 第一次);
        QCOMPARE(草稿表(*目录)[0].草稿.内容, QStringLiteral("一二"));
    }
#endif

    void terminationSignalKeepsEveryEditorsText() {
#ifdef Q_OS_WIN
        QSKIP("Windows has no termination signals to catch");
#endif
        Form_Main* 窗口 = 启动();
        QVERIFY(窗口);
        QVERIFY(platform::startup::安装退出信号());
        // A new note typed a moment ago (no draft written yet), and an edit of a note that is
        // deleted meanwhile, stopped at the question whether to save it as a new note.
        窗口->文件_新建_Click();
        编辑器窗口().back()->FlatEdit_内容()->insertPlainText(QStringLiteral("刚刚输入"));
        Form_添加便签* 修改器 = 修改(*窗口, 2);
        QVERIFY(修改器);
        修改器->FlatEdit_内容()->setPlainText(QStringLiteral("第二条的修改"));
        {
            auto 连接 = dao::DBEngine().OpenDatabase(目录->数据库(), false, false, QString());
            连接->Execute(QStringLiteral("Delete from Tips where ID = %1").arg(编号[1]));
        }
        QTimer::singleShot(0, 修改器, [修改器] { 修改器->PushButton_保存并关闭_Click(); });
        条件成立时发信号([] {
            auto* 框 = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return 框 && 框->isVisible() && 框->text().contains(QStringLiteral("已被删除"));
        });
        QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        清理();

        QStringList 内容;
        for (const auto& 条目 : 草稿表(*目录)) {
            内容 << 条目.草稿.内容;
        }
        内容.sort();
        QCOMPARE(内容, (QStringList{QStringLiteral("刚刚输入"), QStringLiteral("第二条的修改")}));

        // The next start offers both; the edit of the deleted note comes back as a new note.
        恢复应答 应答(QStringLiteral("恢复到编辑窗口"));
        QVERIFY(启动());
        QTRY_COMPARE(编辑器窗口().size(), std::size_t{2});
        QCOMPARE(应答.次数, 2);
        for (Form_添加便签* 编辑器 : 编辑器窗口()) {
            QCOMPARE(编辑器->便签编号, 0);
        }
        QCOMPARE(目录->便签数(), 1);  // nothing stored by itself
        // The restored editors own the drafts now; saving one removes its draft.
        QCOMPARE(草稿表(*目录).size(), std::size_t{2});
        QVERIFY(编辑器窗口().front()->保存便签());
        QCOMPARE(草稿表(*目录).size(), std::size_t{1});
    }

    void restoreKnowsTheNoteAgain() {
        草稿::草稿箱 箱(目录->数据库());
        auto 草稿于 = [&](std::int32_t 便签, const QString& 创建时间, const QString& 内容) {
            草稿::草稿内容 草稿;
            草稿.便签编号 = 便签;
            草稿.创建时间 = 创建时间;
            草稿.内容 = 内容;
            草稿.透明度索引 = 4;
            草稿.背景颜色 = 0x00123456;
            草稿.写入时间 = QDateTime::currentDateTime();
            QVERIFY(箱.写入(箱.新文件名(), 草稿));
        };
        const QString 创建 = [&] {
            auto 连接 = dao::DBEngine().OpenDatabase(目录->数据库(), false, true, QString());
            return 连接
                ->OpenRecordset(
                    QStringLiteral("Select CreateTime from Tips where ID = %1").arg(编号[0]))
                .Fields(QStringLiteral("CreateTime"))
                .ToText();
        }();
        草稿于(编号[0], 创建, QStringLiteral("第一条的新版本"));                  // the same note
        草稿于(编号[1], QStringLiteral("1999-01-01"), QStringLiteral("另一条"));  // id taken again
        草稿于(编号[0], 创建, QStringLiteral("第一条"));  // already stored: nothing to ask

        恢复应答 应答(QStringLiteral("恢复到编辑窗口"));
        QVERIFY(启动());
        QTRY_COMPARE(编辑器窗口().size(), std::size_t{2});
        QCOMPARE(应答.次数, 2);
        std::map<QString, Form_添加便签*> 按内容;
        for (Form_添加便签* 编辑器 : 编辑器窗口()) {
            按内容[编辑框文字(*编辑器->FlatEdit_内容())] = 编辑器;
        }
        QCOMPARE(按内容.at(QStringLiteral("第一条的新版本"))->便签编号, 编号[0]);
        QCOMPARE(按内容.at(QStringLiteral("另一条"))->便签编号, 0);
        QCOMPARE(按内容.at(QStringLiteral("另一条"))->ComboBox_便签透明度()->currentIndex(), 4);
        QCOMPARE(草稿表(*目录).size(), std::size_t{2});
    }

    void discardAndAskAgain() {
        草稿::草稿箱 箱(目录->数据库());
        草稿::草稿内容 草稿;
        草稿.内容 = QStringLiteral("<b>不是标记</b>");
        QVERIFY(箱.写入(箱.新文件名(), 草稿));
        {
            恢复应答 应答(QStringLiteral("下次启动时再问"));
            QVERIFY(启动());
            QTRY_COMPARE(应答.次数, 1);
            QVERIFY(应答.文字.front().contains(QStringLiteral("<b>不是标记</b>")));
            清理();
        }
        QCOMPARE(草稿表(*目录).size(), std::size_t{1});
        恢复应答 应答(QStringLiteral("丢弃草稿"));
        QVERIFY(启动());
        QTRY_COMPARE(应答.次数, 1);
        QVERIFY(草稿表(*目录).empty());
        QVERIFY(编辑器窗口().empty());
    }

    void filesThatAreNoDraftsAreLeftAlone() {
        草稿::草稿内容 好;
        好.便签编号 = 7;
        好.内容 = QStringLiteral("好的草稿");
        好.写入时间 =
            QDateTime::fromString(QStringLiteral("2026-12-08T01:02:03.004"), Qt::ISODateWithMs);
        QCOMPARE(草稿::解析(草稿::编码(好)), std::optional<草稿::草稿内容>(好));

        QVERIFY(QDir().mkdir(草稿目录(*目录)));
        const QDir 目录夹(草稿目录(*目录));
        写文件(目录夹.filePath(QStringLiteral("d1-1-1.draft")), 草稿::编码(好));
        QByteArray 改 = 草稿::编码(好);
        写文件(目录夹.filePath(QStringLiteral("d1-1-2.draft")), 改.replace("好的", "\xff\xfe"));
        写文件(目录夹.filePath(QStringLiteral("d1-1-3.draft")), "{\"format\":\"quillet-draft\"");
        写文件(目录夹.filePath(QStringLiteral("d1-1-4.draft")),
               草稿::编码(好).replace("\"note\":7", "\"note\":\"7\""));
        写文件(目录夹.filePath(QStringLiteral("d1-1-5.draft")),
               草稿::编码(好).replace("\"transparency\":0", "\"transparency\":12"));
        写文件(目录夹.filePath(QStringLiteral("d1-1-6.draft")),
               草稿::编码(好).replace("\"note\":7", "\"note\":4294967296"));
        写文件(目录夹.filePath(QStringLiteral("别的名字.draft")), 草稿::编码(好));
        {
            QFile 大(目录夹.filePath(QStringLiteral("d1-1-8.draft")));
            QVERIFY(大.open(QIODevice::WriteOnly));
            QVERIFY(大.resize(草稿::最大草稿字节 + 1));  // sparse: costs no disk
        }
#ifndef Q_OS_WIN
        // Names and kinds of file that only Unix has: a line break in a name, a FIFO (opening it
        // would wait for a writer), a link.
        写文件(目录夹.filePath(QStringLiteral("d1-1-7.draft\n")), 草稿::编码(好));
        QCOMPARE(
            ::mkfifo(QFile::encodeName(目录夹.filePath(QStringLiteral("d1-1-9.draft"))).constData(),
                     0600),
            0);
        QVERIFY(QFile::link(目录夹.filePath(QStringLiteral("d1-1-1.draft")),
                            目录夹.filePath(QStringLiteral("d1-1-10.draft"))));
#endif
        const auto 文件数 = [&] {
            return 目录夹.entryList(QDir::Files | QDir::System | QDir::Hidden).size();
        };
        const auto 原有 = 文件数();
        const auto 读到 = 草稿表(*目录);
        QCOMPARE(读到.size(), std::size_t{1});
        QCOMPARE(读到[0].文件名, QStringLiteral("d1-1-1.draft"));
        // Nothing but the good draft is asked about, and nothing else is removed.
        恢复应答 应答(QStringLiteral("丢弃草稿"));
        QVERIFY(启动());
        QTRY_COMPARE(应答.次数, 1);
        QTest::qWait(100);
        QCOMPARE(应答.次数, 1);
        QCOMPARE(文件数(), 原有 - 1);
    }
};

}  // namespace

QTEST_MAIN(DraftsTest)
#include "test_drafts.moc"
