// SPDX-License-Identifier: MIT
#pragma once

// The database engine: a small object library over SQLite in the shape the program was
// written against (DBEngine, Database, Recordset, field values). Every engine error is thrown
// as dao::Error carrying the engine's number and text.

#include <QString>
#include <QVariant>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

struct sqlite3;

namespace dao {

// What kind of failure an engine error is, for the message the user reads.
enum class 错误类别 {
    文件已移动,  // the path no longer leads to the file that was opened
    已锁定,      // another program holds a lock longer than the wait allows
    只读,        // the database or its folder cannot be written
    读写失败,    // the disk failed, is full, or a file could not be opened
    已损坏,      // the file is no (longer a sound) database
    结构不符,    // a sound database whose tables are not what the program can safely use
    其他,
};

class Error : public std::runtime_error {
  public:
    Error(int 号, const QString& 描述);
    int Number() const { return 号_; }
    const QString& Description() const { return 描述_; }
    错误类别 类别() const;

  private:
    int 号_;
    QString 描述_;
};

// One field value of a row, converted the way the program reads it.
class Value {
  public:
    Value() = default;
    explicit Value(QVariant 值) : 值_(std::move(值)) {}

    bool IsNull() const { return 值_.isNull(); }
    // Text of the value; a missing value gives empty text.
    QString ToText() const;
    // A 32-bit integer (colours): whole numbers wrap to 32 bits as the stored colour value.
    std::int32_t ToInt32() const;
    // A stored 1 (or any non-zero number, or the text "True") is true.
    bool ToBool() const;

    // The same conversions without an error: empty when the value cannot be read that way
    // (missing, or text that is no number; for a Boolean also text other than "True" and "False").
    std::optional<std::int32_t> AsInt32() const;
    std::optional<bool> AsBool() const;

  private:
    QVariant 值_;
};

inline constexpr int dbOpenSnapshot = 4;

// A static copy of a query's rows, positioned on the first row when there is one.
class Recordset {
  public:
    Recordset(std::vector<QString> 列名, std::vector<std::vector<Value>> 行);

    // Before the first row / past the last (EOF is a C macro, hence the spelling).
    bool Bof() const { return 行_.empty() || 位置_ < 0; }
    bool Eof() const { return 行_.empty() || 位置_ >= static_cast<long>(行_.size()); }
    long RecordCount() const { return static_cast<long>(行_.size()); }
    void MoveFirst();
    void MoveLast();  // throws on an empty recordset
    void MoveNext();
    // The value of a column in the current row, by case-insensitive name.
    const Value& Fields(const QString& 列名) const;

  private:
    std::vector<QString> 列名_;
    std::vector<std::vector<Value>> 行_;
    long 位置_ = 0;
};

class Database {
  public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Recordset OpenRecordset(const QString& sql, int 类型 = dbOpenSnapshot);
    // Carries out one statement; it is done and on disk when this returns.
    void Execute(const QString& sql);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    // Copies the open database, as it stands between two writes, to a new file at 路径
    // (replacing one there). The copy is made under a temporary name beside it and renamed
    // when complete, so 路径 never holds half a copy.
    void BackupTo(const QString& 路径);
    // Rows changed by the last statement that Execute ran (0 for an update that matched none).
    long RecordsAffected() const;
    // The key the database gave the row of the last insert on this connection.
    qint64 LastInsertId() const;

  private:
    friend class DBEngine;
    explicit Database(sqlite3* db) : db_(db) {}
    [[noreturn]] void 抛出错误(int 代码) const;
    // Whether the path no longer leads to the file that was opened.
    bool 文件已移动() const;
    // Marks a call of the engine as running until the returned guard ends; a call made while
    // another runs (from an event handled during a wait for a lock) is refused.
    [[nodiscard]] auto 开始调用();
    // The engine's busy handler: waits out another program's lock (see 等待方式).
    static int 等待锁(void* 数据库, int 已试次数);
    sqlite3* db_;
    bool 调用中_ = false;
    bool 已等待_ = false;
    std::chrono::steady_clock::time_point 等待开始_;
};

class DBEngine {
  public:
    // Opens an existing note database. Options false opens it shared; the connect text is
    // empty or ";Pwd=" and a password (SQLite files carry none, so a password is refused).
    std::unique_ptr<Database> OpenDatabase(const QString& 路径, bool Options, bool ReadOnly,
                                           const QString& Connect);
};

// The number of the error raised when the file at the database's path is no longer the file
// that was opened (deleted, renamed, or replaced by another file): SQLite's own extended code
// for it. Nothing can be written to the database any more.
inline constexpr int 错误号_文件已移动 = 1032;  // SQLITE_READONLY_DBMOVED

// The number of the error raised when a database holds tables that the program cannot use
// safely (a table that is a view, triggers); the file is left as it is.
inline constexpr int 错误号_结构不符 = 3078;

// The engine's own error numbers for misuse, beside SQLite's codes for what the file refuses.
inline constexpr int 错误号_无当前记录 = 3021;  // a field read or a move past either end
inline constexpr int 错误号_无此字段 = 3265;    // a field name the recordset does not have
inline constexpr int 错误号_对象已失效 = 3420;  // a recordset whose database is closed
inline constexpr int 错误号_参数无效 = 3001;
inline constexpr int 错误号_密码无效 = 3031;
inline constexpr int 错误号_找不到文件 = 3024;
// Raised above the engine: no database open (91), a value of the wrong type (13).
inline constexpr int 错误号_对象未设置 = 91;
inline constexpr int 错误号_类型不符 = 13;

// How long a statement waits for another program's lock before it fails.
inline constexpr int 忙等待毫秒 = 5000;

// How a statement waits while another program holds a lock. 等待 is called again and again
// while the lock is held, with the time waited so far; it waits a short while (it may handle
// events meanwhile, but must not use the database) and returns false to give up. 结束 is called
// once the statement that waited has ended, however it ended. Without one set, the statement
// sleeps between tries. The wait never goes on past 忙等待毫秒.
struct 等待方式 {
    std::function<bool(std::chrono::milliseconds 已等待)> 等待;
    std::function<void()> 结束;
};
void 设置等待方式(等待方式 方式);

}  // namespace dao
