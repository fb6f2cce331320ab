// SPDX-License-Identifier: MIT
#pragma once

#include "platform/dao/dao.h"

#include <QString>

#include <cstdint>
#include <memory>

// The only place the program talks to the database engine: it holds the one open note
// database. None of its methods catches an engine error; dao::Error passes to the caller.
class 数据库操作模块 {
  public:
    void 打开数据库(const QString& 路径, const QString& 密码);
    dao::Recordset 数据库_查找_语句(const QString& sql);
    bool 数据库_添加_语句(const QString& sql);
    bool 数据库_删除_语句(const QString& sql);
    void 关闭数据库();
    // Copies the open database to a new file (see dao::Database::BackupTo).
    void 备份数据库(const QString& 路径);
    // The path of the database last opened (empty before the first).
    const QString& 路径() const { return 路径_; }
    // Rows changed by the last action statement: 0 when an update or delete matched no note.
    long 受影响行数() const;
    // The id the database gave the row of the last insert.
    std::int32_t 新行编号() const;

    // Why an engine error happened, in the user's words (Chinese): locked, read-only, moved or
    // replaced (naming the file), damaged, or another failure; the engine's own number and text
    // follow as the detail.
    QString 错误说明(const dao::Error& 错误) const;

    // The connect text for a password: empty for none, otherwise ";Pwd=" and the password.
    static QString 连接文字(const QString& 密码);

  private:
    bool 执行(const QString& sql);
    std::unique_ptr<dao::Database> 当前数据库;
    QString 路径_;
};
