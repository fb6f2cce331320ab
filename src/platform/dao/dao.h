#pragma once

// The database engine: a small object library over SQLite in the shape the program was
// written against (DBEngine, Database, Recordset, field values). Every engine error is thrown
// as dao::Error carrying the engine's number and text.

#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

struct sqlite3;

namespace dao {

class Error : public std::runtime_error {
  public:
    Error(int 号, const QString& 描述);
    int Number() const { return 号_; }
    const QString& Description() const { return 描述_; }

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

  private:
    friend class DBEngine;
    explicit Database(sqlite3* db) : db_(db) {}
    [[noreturn]] void 抛出错误(int 代码) const;
    sqlite3* db_;
};

class DBEngine {
  public:
    // Opens an existing note database. Options false opens it shared; the connect text is
    // empty or ";Pwd=" and a password (SQLite files carry none, so a password is refused).
    std::unique_ptr<Database> OpenDatabase(const QString& 路径, bool Options, bool ReadOnly,
                                           const QString& Connect);
};

// How long a statement waits for another program's lock before it fails.
inline constexpr int 忙等待毫秒 = 5000;

}  // namespace dao
