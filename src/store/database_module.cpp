#include "store/database_module.h"

namespace {
// The program-wide engine object, created on first use.
dao::DBEngine& 引擎() {
    static dao::DBEngine 唯一;
    return 唯一;
}

[[noreturn]] void 未打开() {
    throw dao::Error(91, QStringLiteral("Object variable not set: no database is open."));
}
}  // namespace

QString 数据库操作模块::连接文字(const QString& 密码) {
    return 密码.isEmpty() ? 密码 : QStringLiteral(";Pwd=") + 密码;
}

void 数据库操作模块::打开数据库(const QString& 路径, const QString& 密码) {
    当前数据库 = 引擎().OpenDatabase(路径, false, false, 连接文字(密码));
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
