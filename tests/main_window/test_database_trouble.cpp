// SPDX-License-Identifier: MIT
// The main window over a database that is not as the program left it: rows of another tool,
// a file replaced or overwritten while the program runs, and another program holding the lock.

#include "main_form_fixture.h"

#include "desktop_note/note_window.h"
#include "editor/editor_dialog.h"
#include "main_window/busy_wait.h"
#include "platform/controls/listview.h"
#include "platform/dao/dao.h"
#include "store/backup.h"
#include "store/globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <sqlite3.h>

#include <optional>

using namespace 测试;

namespace {

// Runs statements on the program's database file as another tool would.
void 执行(const 程序目录& 目录, const QStringList& 语句表) {
    auto 连接 = dao::DBEngine().OpenDatabase(目录.数据库(), false, false, QString());
    for (const QString& 语句 : 语句表) {
        连接->Execute(语句);
    }
}

QString 内容(const 程序目录& 目录, int 编号) {
    auto 连接 = dao::DBEngine().OpenDatabase(目录.数据库(), false, false, QString());
    dao::Recordset 记录 =
        连接->OpenRecordset(QStringLiteral("Select content from Tips where id = %1").arg(编号));
    return 记录.Eof() ? QString() : 记录.Fields(QStringLiteral("content")).ToText();
}

// Another program's connection holding the write lock until 释放.
class 锁 {
  public:
    explicit 锁(const QString& 路径) {
        sqlite3_open(路径.toUtf8().constData(), &连接_);
        sqlite3_exec(连接_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    ~锁() {
        释放();
        sqlite3_close(连接_);
    }
    锁(const 锁&) = delete;
    锁& operator=(const 锁&) = delete;
    void 释放() { sqlite3_exec(连接_, "COMMIT", nullptr, nullptr, nullptr); }

  private:
    sqlite3* 连接_ = nullptr;
};

// The window that shows a wait for the database, when it is up.
QProgressDialog* 等待提示() {
    auto* 提示 = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    return 提示 && 提示->objectName() == QStringLiteral("数据库等待提示") ? 提示 : nullptr;
}

// Gives up every wait for the database as soon as its window shows.
struct 放弃等待 {
    QTimer 计时器;
    int 次数 = 0;
    放弃等待() {
        QObject::connect(&计时器, &QTimer::timeout, [this] {
            if (QProgressDialog* 提示 = 等待提示(); 提示 && !提示->wasCanceled()) {
                ++次数;
                提示->cancel();
            }
        });
        计时器.start(20);
    }
};

}  // namespace

class DatabaseTroubleTest : public QObject {
    Q_OBJECT

    std::optional<程序目录> 目录;

  private slots:
    void init() {
        目录.emplace();
        QVERIFY(目录->有效());
    }
    void cleanup() {
        清理();
        目录.reset();
    }

    // Ids a file holds as text start like any other and show the row's own colours.
    void textIdsStartAndShowTheirRows() {
        执行(*目录, {QStringLiteral("DROP TABLE Tips"),
                     QStringLiteral("CREATE TABLE Tips(ID, content, CreateTime, ChangeTime, "
                                    "Deleted, BackColor, FontColor, Visual, TopMost, Transparent)"),
                     QStringLiteral("INSERT INTO Tips(ID,content,BackColor,Visual) "
                                    "Values('01','一',11,1), ('+1','二',22,1), ('-0','三',33,1)")});
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QCOMPARE(便签窗口().size(), std::size_t{3});
        QCOMPARE(便签窗口().at(0)->背景颜色(), 11);
        QCOMPARE(便签窗口().at(1)->背景颜色(), 22);
        QCOMPARE(便签窗口().at(2)->背景颜色(), 33);
    }

    // The file is overwritten in place by an older copy while an editor is open: the id now
    // names another note, which the save must leave alone.
    void anEditLandsOnlyOnTheNoteItWasOpenedOn() {
        const int 编号 = 目录->添加({{QStringLiteral("原来的")}}).at(0);
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        窗口->ListView_Quillet->选中(1);
        窗口->编辑_修改_Click();
        Form_添加便签* 编辑器 = 编辑器窗口().at(0);
        执行(*目录, {QStringLiteral("UPDATE Tips SET content='别的便签', "
                                    "CreateTime='2020/1/1 8:00:00' where id = %1")
                         .arg(编号)});
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("改过的"));
        {
            消息框应答 应答(QMessageBox::Cancel);
            编辑器->PushButton_保存并关闭()->click();
            QCOMPARE(应答.次数, 1);
            QVERIFY2(应答.文字.contains(QStringLiteral("已被删除")), qPrintable(应答.文字));
        }
        QCOMPARE(内容(*目录, 编号), QStringLiteral("别的便签"));
        QCOMPARE(编辑器->FlatEdit_内容()->toPlainText(), QStringLiteral("改过的"));

        // Kept as a new note on request: the other note still stays as it is.
        消息框应答 另存(QMessageBox::Save);
        编辑器->PushButton_保存并关闭()->click();
        QCOMPARE(目录->便签数(), 2);
        QCOMPARE(内容(*目录, 编号), QStringLiteral("别的便签"));
    }

    // After the file is deleted, a reload says so instead of showing the old file's notes.
    void reloadAfterTheFileIsGoneSaysSo() {
#ifdef Q_OS_WIN
        QSKIP("Windows does not delete a file that is open");
#endif
        目录->添加({{QStringLiteral("甲")}});
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(QFile::remove(目录->数据库()));
        try {
            窗口->编辑_刷新列表_Click();
            QFAIL("a reload of a deleted file must fail");
        } catch (const dao::Error& 错误) {
            QCOMPARE(错误.类别(), dao::错误类别::文件已移动);
        }
        QCOMPARE(窗口->ListView_Quillet->行数(), 1);
    }

    // While another program holds the lock, a command waits with the event loop running, shows
    // that it waits, and can give up; then it says the database is locked.
    void aLockedDatabaseIsWaitedForWithoutFreezing() {
        目录->添加({{QStringLiteral("甲")}, {QStringLiteral("乙")}});
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        {
            锁 另一个(目录->数据库());
            bool 见到提示 = false;
            // Runs only if events are handled during the wait.
            QTimer::singleShot(数据库等待::提示延迟 * 3, [&] {
                见到提示 = 等待提示() != nullptr;
                另一个.释放();
            });
            消息框应答 应答(QMessageBox::Ok);
            窗口->ListView_Quillet->选中(1);
            窗口->编辑_删除_Click();
            QCOMPARE(应答.次数, 0);
            QVERIFY(见到提示);
            QCOMPARE(窗口->ListView_Quillet->行数(), 1);
            QVERIFY(等待提示() == nullptr);
            QVERIFY(QApplication::overrideCursor() == nullptr);
        }
        QCOMPARE(目录->便签数(), 1);

        // The last copy is old, so the delete is preceded by one, which meets the lock first:
        // giving up once gives up the delete.
        for (const QString& 备份 : 自动备份::备份列表(目录->数据库())) {
            QFile 文件(备份);
            QVERIFY(文件.open(QIODevice::ReadWrite));
            QVERIFY(文件.setFileTime(QDateTime::currentDateTime().addSecs(-7200),
                                     QFileDevice::FileModificationTime));
        }
        锁 另一个(目录->数据库());
        放弃等待 放弃;
        消息框应答 应答(QMessageBox::Ok);
        QElapsedTimer 计时;
        计时.start();
        窗口->ListView_Quillet->选中(1);
        窗口->编辑_删除_Click();
        QVERIFY(计时.elapsed() < dao::忙等待毫秒);
        QCOMPARE(放弃.次数, 1);
        QCOMPARE(应答.次数, 1);
        QVERIFY2(应答.文字.contains(QStringLiteral("锁定")), qPrintable(应答.文字));
        QCOMPARE(窗口->ListView_Quillet->行数(), 1);
    }

    // A start that meets a locked database is told to wait or close the other program, not to
    // restore a backup.
    void aLockedStartGetsTheRightAdvice() {
        锁 另一个(目录->数据库());
        放弃等待 放弃;
        消息框应答 应答(QMessageBox::Ok);
        Form_Main* 窗口 = 新主窗口(*目录);
        QVERIFY(窗口->Form_Load() != 0);
        QCOMPARE(应答.次数, 1);
        QVERIFY2(应答.文字.contains(QStringLiteral("关闭那个程序")), qPrintable(应答.文字));
        QVERIFY2(!应答.文字.contains(QStringLiteral("自动备份")), qPrintable(应答.文字));
    }
};

QTEST_MAIN(DatabaseTroubleTest)
#include "test_database_trouble.moc"
