// SPDX-License-Identifier: MIT
#include "store/database_module.h"

#include <QDir>
#include <QRegularExpression>

namespace {
// The program-wide engine object, created on first use.
dao::DBEngine& 引擎() {
    static dao::DBEngine 唯一;
    return 唯一;
}

[[noreturn]] void 未打开() {
    throw dao::Error(dao::错误号_对象未设置,
                     QStringLiteral("Object variable not set: no database is open."));
}

// A file copied from another machine is input like any other: a note table that is a view (a
// recursive one never finishes reading) or a trigger that acts when a note is written (it may
// delete every other note) makes the file unsafe to use. Such a file is refused unread and
// unchanged. The names compare as SQLite compares them, without regard to case.
void 确认便签表可用(dao::Database& 数据库, const QString& 文件) {
    dao::Recordset 结构 =
        数据库.OpenRecordset(QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master "
                                            "WHERE type IN ('table', 'view', 'trigger')"));
    const QRegularExpression 提到便签表(QStringLiteral("(?<![\\w$])tips(?![\\w$])"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto 拒绝 = [&](const QString& 原因) {
        throw dao::Error(dao::错误号_结构不符,
                         QStringLiteral("便签数据库文件（%1）%2程序不能安全地使用它，"
                                        "没有读取其中的便签，文件没有任何改动。")
                             .arg(文件, 原因));
    };
    for (; !结构.Eof(); 结构.MoveNext()) {
        const QString 类型 = 结构.Fields(QStringLiteral("type")).ToText();
        const QString 名称 = 结构.Fields(QStringLiteral("name")).ToText();
        const QString 语句 = 结构.Fields(QStringLiteral("sql")).ToText();
        const bool 是便签表 = 名称.compare(QLatin1String("Tips"), Qt::CaseInsensitive) == 0;
        if (是便签表 && 类型 != QLatin1String("table")) {
            拒绝(QStringLiteral("中的便签表 Tips 不是普通的数据表，而是视图。"));
        }
        if (是便签表 &&
            语句.trimmed().startsWith(QLatin1String("CREATE VIRTUAL"), Qt::CaseInsensitive)) {
            拒绝(QStringLiteral("中的便签表 Tips 不是普通的数据表，而是虚拟表。"));
        }
        const bool 涉及便签表 = 结构.Fields(QStringLiteral("tbl_name"))
                                        .ToText()
                                        .compare(QLatin1String("Tips"), Qt::CaseInsensitive) == 0 ||
                                提到便签表.match(语句).hasMatch();
        if (类型 == QLatin1String("trigger") && 涉及便签表) {
            拒绝(QStringLiteral("中有涉及便签表 Tips 的触发器“%1”，它可能在保存便签时"
                                "改动或删除别的便签。")
                     .arg(名称));
        }
        if (类型 == QLatin1String("view") && !是便签表 && 涉及便签表) {
            拒绝(QStringLiteral("中有读取便签表 Tips 的视图“%1”。").arg(名称));
        }
    }
}
}  // namespace

QString 数据库操作模块::连接文字(const QString& 密码) {
    return 密码.isEmpty() ? 密码 : QStringLiteral(";Pwd=") + 密码;
}

void 数据库操作模块::打开数据库(const QString& 路径, const QString& 密码) {
    路径_ = 路径;
    auto 数据库 = 引擎().OpenDatabase(路径, false, false, 连接文字(密码));
    确认便签表可用(*数据库, QDir::toNativeSeparators(路径));
    当前数据库 = std::move(数据库);
}

dao::Recordset 数据库操作模块::数据库_查找_语句(const QString& sql) {
    if (!当前数据库) {
        未打开();
    }
    return 当前数据库->OpenRecordset(sql, dao::dbOpenSnapshot);
}

void 数据库操作模块::备份数据库(const QString& 路径) {
    if (!当前数据库) {
        未打开();
    }
    当前数据库->BackupTo(路径);
}

bool 数据库操作模块::执行(const QString& sql) {
    bool 结果 = false;
    if (!当前数据库) {
        未打开();
    }
    当前数据库->Execute(sql);
    结果 = true;
    return 结果;
}

bool 数据库操作模块::数据库_添加_语句(const QString& sql) {
    return 执行(sql);
}

bool 数据库操作模块::数据库_删除_语句(const QString& sql) {
    return 执行(sql);
}

void 数据库操作模块::关闭数据库() {
    if (当前数据库) {
        当前数据库->Close();
    }
}

long 数据库操作模块::受影响行数() const {
    return 当前数据库 ? 当前数据库->RecordsAffected() : 0;
}

std::int32_t 数据库操作模块::新行编号() const {
    return 当前数据库 ? static_cast<std::int32_t>(当前数据库->LastInsertId()) : 0;
}

QString 数据库操作模块::错误说明(const dao::Error& 错误) const {
    const QString 文件 = QDir::toNativeSeparators(路径_);
    QString 原因;
    switch (错误.类别()) {
        case dao::错误类别::文件已移动:
            原因 = QStringLiteral(
                       "便签数据库文件已被移动、删除或替换（%1），程序无法再写入它。"
                       "请把原文件放回原处，然后重新启动程序。")
                       .arg(文件);
            break;
        case dao::错误类别::已锁定:
            原因 = QStringLiteral("便签数据库正被其他程序锁定，请稍后再试。");
            break;
        case dao::错误类别::只读:
            原因 = QStringLiteral("便签数据库（%1）是只读的，无法写入。").arg(文件);
            break;
        case dao::错误类别::读写失败:
            原因 = QStringLiteral("无法读写便签数据库文件（%1）：磁盘已满、出错或文件不可写。")
                       .arg(文件);
            break;
        case dao::错误类别::已损坏:
            原因 = QStringLiteral("便签数据库文件（%1）已损坏。").arg(文件);
            break;
        case dao::错误类别::结构不符:
            原因 = QStringLiteral("便签数据库文件（%1）的结构不安全，程序不使用它。").arg(文件);
            break;
        case dao::错误类别::其他:
            原因 = QStringLiteral("便签数据库出错。");
            break;
    }
    return 原因 + QStringLiteral("\n\n数据库的提示：错误 %1：%2")
                      .arg(错误.Number())
                      .arg(错误.Description());
}
