// SPDX-License-Identifier: MIT
// quillet-makedb: a fresh database the program can use, and never a touched existing file.

#include "store/globals.h"
#include "store/statements.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct 结果 {
    int 退出码;
    QString 错误输出;
};

结果 运行(const QStringList& 参数) {
    QProcess 工具;
    工具.start(QStringLiteral(QUILLET_MAKEDB), 参数);
    工具.waitForFinished(30000);
    return {工具.exitCode(), QString::fromUtf8(工具.readAllStandardError())};
}
}  // namespace

class MakeDbTest : public QObject {
    Q_OBJECT

  private slots:
    void createsADatabaseTheProgramCanUse() {
        QTemporaryDir 目录;
        const QString 路径 = 目录.filePath(QStringLiteral("Quillet.mdb"));
        QCOMPARE(运行({路径}).退出码, 0);
        // The notes are private, the journal the engine writes beside them too. (Windows keeps
        // that in the file's access list, which Qt's permissions do not read.)
#ifndef Q_OS_WIN
        QCOMPARE(QFile::permissions(路径) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
        数据库操作模块 库;
        库.打开数据库(路径, QString());
        QCOMPARE(库.数据库_查找_语句(store::全部便签语句()).RecordCount(), 0L);
        for (int i = 0; i < 3; ++i) {
            库.数据库_添加_语句(
                store::新建便签语句({QStringLiteral("n"), -1, 0, 20}, store::现在()));
        }
        库.数据库_删除_语句(store::删除便签语句(QStringLiteral("3")));
        库.数据库_添加_语句(store::新建便签语句({QStringLiteral("n"), -1, 0, 20}, store::现在()));
        dao::Recordset 记录 = 库.数据库_查找_语句(store::全部便签语句());
        记录.MoveLast();
        // Ids count up from 1 and are never reused.
        QCOMPARE(记录.Fields(QStringLiteral("ID")).ToInt32(), 4);
        QCOMPARE(记录.Fields(QStringLiteral("BackColor")).ToInt32(), -1);
        QCOMPARE(记录.Fields(QStringLiteral("Visual")).ToBool(), true);
        库.关闭数据库();
    }

    void neverTouchesAnExistingFile() {
        QTemporaryDir 目录;
        const QString 路径 = 目录.filePath(QStringLiteral("Quillet.mdb"));
        QFile 文件(路径);
        QVERIFY(文件.open(QIODevice::WriteOnly));
        文件.write("my notes");
        文件.close();
        const 结果 一次 = 运行({路径});
        QVERIFY(一次.退出码 != 0);
        QVERIFY2(一次.错误输出.contains(QStringLiteral("已存在")), qPrintable(一次.错误输出));
        QVERIFY(文件.open(QIODevice::ReadOnly));
        QCOMPARE(文件.readAll(), QByteArray("my notes"));
        // A dangling link counts as existing too: nothing is written through it.
        const QString 链接 = 目录.filePath(QStringLiteral("link.mdb"));
        QVERIFY(QFile::link(目录.filePath(QStringLiteral("elsewhere.mdb")), 链接));
        QVERIFY(运行({链接}).退出码 != 0);
        QVERIFY(!QFile::exists(目录.filePath(QStringLiteral("elsewhere.mdb"))));
    }

    void badArgumentsExplainThemselves() {
        QCOMPARE(运行({}).退出码, 2);
        QVERIFY(运行({}).错误输出.contains(QStringLiteral("用法")));
        QTemporaryDir 目录;
        const QString 无处 = 目录.filePath(QStringLiteral("no/such/folder/Quillet.mdb"));
        QVERIFY(运行({无处}).退出码 != 0);
        QVERIFY(!QFile::exists(无处));
    }
};

QTEST_GUILESS_MAIN(MakeDbTest)
#include "test_makedb.moc"
