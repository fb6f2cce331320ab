// SPDX-License-Identifier: MIT
#include "platform/dao/dao.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>

#include <algorithm>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <system_error>

namespace dao {

static_assert(错误号_文件已移动 == SQLITE_READONLY_DBMOVED);

Error::Error(int 号, const QString& 描述)
    : std::runtime_error(描述.toStdString()), 号_(号), 描述_(描述) {}

错误类别 Error::类别() const {
    switch (号_) {
        case 错误号_文件已移动:
            return 错误类别::文件已移动;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return 错误类别::已锁定;
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return 错误类别::只读;
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_FULL:
            return 错误类别::读写失败;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return 错误类别::已损坏;
        case 错误号_结构不符:
            return 错误类别::结构不符;
        default:
            return 错误类别::其他;
    }
}

QString Value::ToText() const {
    if (值_.isNull()) {
        return {};
    }
    return 值_.toString();
}

std::int32_t Value::ToInt32() const {
    if (const std::optional<std::int32_t> 数 = AsInt32()) {
        return *数;
    }
    throw Error(SQLITE_MISMATCH,
                QStringLiteral("Type mismatch: '%1' is not a number").arg(ToText()));
}

std::optional<std::int32_t> Value::AsInt32() const {
    bool 成功 = false;
    const qlonglong 数 = 值_.toLongLong(&成功);
    if (!成功) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(数));
}

bool Value::ToBool() const {
    return AsBool().value_or(false);
}

std::optional<bool> Value::AsBool() const {
    if (值_.isNull()) {
        return std::nullopt;
    }
    bool 是数 = false;
    const double 数 = 值_.toDouble(&是数);
    if (是数) {
        return 数 != 0;
    }
    const QString 文字 = 值_.toString();
    if (文字.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (文字.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    return std::nullopt;
}

Recordset::Recordset(std::vector<QString> 列名, std::vector<std::vector<Value>> 行)
    : 列名_(std::move(列名)), 行_(std::move(行)) {}

void Recordset::MoveFirst() {
    if (行_.empty()) {
        throw Error(错误号_无当前记录, QStringLiteral("No current record."));
    }
    位置_ = 0;
}

void Recordset::MoveLast() {
    if (行_.empty()) {
        throw Error(错误号_无当前记录, QStringLiteral("No current record."));
    }
    位置_ = static_cast<long>(行_.size()) - 1;
}

void Recordset::MoveNext() {
    if (Eof()) {
        throw Error(错误号_无当前记录, QStringLiteral("No current record."));
    }
    ++位置_;
}

const Value& Recordset::Fields(const QString& 列名) const {
    // Callers spell most names as the table does: an exact match first, then any case.
    auto 找到 = std::find(列名_.begin(), 列名_.end(), 列名);
    if (找到 == 列名_.end()) {
        找到 = std::find_if(列名_.begin(), 列名_.end(), [&](const QString& 名) {
            return 名.compare(列名, Qt::CaseInsensitive) == 0;
        });
    }
    if (找到 == 列名_.end()) {
        throw Error(错误号_无此字段,
                    QStringLiteral("Item not found in this collection: %1").arg(列名));
    }
    if (Bof() || Eof()) {
        throw Error(错误号_无当前记录, QStringLiteral("No current record."));
    }
    return 行_[static_cast<std::size_t>(位置_)][static_cast<std::size_t>(找到 - 列名_.begin())];
}

Database::~Database() {
    Close();
}

void Database::抛出错误(int 代码) const {
    if (db_ && 文件已移动()) {
        // SQLite then refuses every write as "attempt to write a readonly database"; the real
        // reason is that the path leads to another file, or to none.
        throw Error(错误号_文件已移动,
                    QStringLiteral("The database file '%1' was moved, deleted or replaced after "
                                   "it was opened (%2).")
                        .arg(QString::fromUtf8(sqlite3_db_filename(db_, "main")),
                             QString::fromUtf8(sqlite3_errmsg(db_))));
    }
    const QString 文字 =
        db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(代码));
    throw Error(代码, 文字);
}

bool Database::文件已移动() const {
    // The engine keeps the identity of the file it opened and compares it with what the path
    // leads to now.
    if (sqlite3_extended_errcode(db_) == SQLITE_READONLY_DBMOVED) {
        return true;
    }
    int 已移动 = 0;
    return sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &已移动) == SQLITE_OK &&
           已移动 != 0;
}

long Database::RecordsAffected() const {
    return db_ ? static_cast<long>(sqlite3_changes(db_)) : 0;
}

qint64 Database::LastInsertId() const {
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

namespace {

// A prepared statement that finalizes itself.
class 语句 {
  public:
    语句(sqlite3* db, const QString& sql) {
        const QByteArray 字节 = sql.toUtf8();
        const char* 余下 = nullptr;
        代码_ =
            sqlite3_prepare_v2(db, 字节.constData(), static_cast<int>(字节.size()), &句柄_, &余下);
        if (代码_ == SQLITE_OK && 句柄_ == nullptr) {
            代码_ = SQLITE_MISUSE;  // nothing but blanks or comments
        }
        // One call runs one statement: text after it means the statement was not what the
        // program built, so nothing of it is run.
        if (代码_ == SQLITE_OK && 余下 != nullptr && !QByteArray(余下).trimmed().isEmpty() &&
            QByteArray(余下).trimmed() != ";") {
            代码_ = SQLITE_ERROR;
            多余文字_ = true;
        }
    }
    ~语句() { sqlite3_finalize(句柄_); }
    语句(const 语句&) = delete;
    语句& operator=(const 语句&) = delete;

    int 代码() const { return 代码_; }
    bool 多余文字() const { return 多余文字_; }
    sqlite3_stmt* 句柄() const { return 句柄_; }

  private:
    sqlite3_stmt* 句柄_ = nullptr;
    int 代码_;
    bool 多余文字_ = false;
};

QVariant 列值(sqlite3_stmt* 句柄, int 列) {
    switch (sqlite3_column_type(句柄, 列)) {
        case SQLITE_INTEGER:
            return QVariant(sqlite3_column_int64(句柄, 列));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(句柄, 列));
        case SQLITE_NULL:
            return {};
        case SQLITE_BLOB: {
            const auto* 数据 = static_cast<const char*>(sqlite3_column_blob(句柄, 列));
            return QVariant(QByteArray(数据, sqlite3_column_bytes(句柄, 列)));
        }
        default: {
            const auto* 文字 = reinterpret_cast<const char*>(sqlite3_column_text(句柄, 列));
            // A text may begin with U+FEFF: it is a character of the text, not a byte-order mark
            // to drop (QString::fromUtf8 would drop it).
            QStringDecoder 解码(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
            return QVariant(QString(解码(QByteArrayView(文字, sqlite3_column_bytes(句柄, 列)))));
        }
    }
}

// SQLite reads a statement only up to a NUL character, and UTF-8 cannot carry a UTF-16
// surrogate without its partner (it would be written as '?'). Such a statement is refused
// whole, so that nothing cut short or changed is ever stored.
void 检查语句文字(const QString& sql) {
    if (const qsizetype 位置 = sql.indexOf(QChar(0)); 位置 >= 0) {
        throw Error(SQLITE_ERROR,
                    QStringLiteral("The statement contains a NUL character (at position %1) and "
                                   "was not run.")
                        .arg(位置));
    }
    if (!QStringView(sql).isValidUtf16()) {
        throw Error(SQLITE_ERROR,
                    QStringLiteral("The statement contains a UTF-16 surrogate without its partner, "
                                   "which cannot be stored, and was not run."));
    }
}

// A statement ready to run, or the engine's reason why it is not is thrown.
void 确认已准备(sqlite3* db, const 语句& 句) {
    if (句.代码() == SQLITE_OK) {
        return;
    }
    if (句.多余文字()) {
        throw Error(SQLITE_ERROR, QStringLiteral("Characters found after end of SQL statement."));
    }
    throw Error(句.代码(), QString::fromUtf8(sqlite3_errmsg(db)));
}

等待方式& 当前等待方式() {
    static 等待方式 方式;
    return 方式;
}

}  // namespace

void 设置等待方式(等待方式 方式) {
    当前等待方式() = std::move(方式);
}

// Waits out another program's lock for up to 忙等待毫秒. Without a way of waiting set, it tries
// again every millisecond: SQLite's own busy timeout backs off to 100 ms between tries, so a
// program that saves one note after another can win the lock every time until the wait runs
// out; short tries find the moment between two of its saves.
int Database::等待锁(void* 数据, int 已试次数) {
    using 时钟 = std::chrono::steady_clock;
    auto* 库 = static_cast<Database*>(数据);
    if (已试次数 == 0 || !库->已等待_) {
        库->等待开始_ = 时钟::now();
        库->已等待_ = true;
    }
    const auto 已等待 =
        std::chrono::duration_cast<std::chrono::milliseconds>(时钟::now() - 库->等待开始_);
    if (已等待 >= std::chrono::milliseconds(忙等待毫秒)) {
        return 0;
    }
    if (const 等待方式& 方式 = 当前等待方式(); 方式.等待) {
        return 方式.等待(已等待) ? 1 : 0;
    }
    sqlite3_sleep(1);
    return 1;
}

auto Database::开始调用() {
    if (!db_) {
        throw Error(错误号_对象已失效, QStringLiteral("Object invalid or no longer set."));
    }
    if (调用中_) {
        // Only an event handled while a statement waits for a lock can get here: the engine
        // must not be used until that statement has ended.
        throw Error(SQLITE_BUSY,
                    QStringLiteral("The database is busy: another statement of this program is "
                                   "waiting for a lock."));
    }
    调用中_ = true;
    return qScopeGuard([this] {
        调用中_ = false;
        if (已等待_) {
            已等待_ = false;
            if (const 等待方式& 方式 = 当前等待方式(); 方式.结束) {
                方式.结束();
            }
        }
    });
}

Recordset Database::OpenRecordset(const QString& sql, int 类型) {
    const auto 调用 = 开始调用();
    if (类型 != dbOpenSnapshot) {
        throw Error(错误号_参数无效, QStringLiteral("Invalid argument."));
    }
    检查语句文字(sql);
    // A file deleted or replaced since it was opened still reads as it was: its notes are no
    // longer the notes at the path, so reading them is an error that says so.
    if (文件已移动()) {
        抛出错误(SQLITE_READONLY_DBMOVED);
    }
    语句 查询(db_, sql);
    确认已准备(db_, 查询);
    const int 列数 = sqlite3_column_count(查询.句柄());
    std::vector<QString> 列名;
    列名.reserve(static_cast<std::size_t>(列数));
    for (int 列 = 0; 列 < 列数; ++列) {
        列名.push_back(QString::fromUtf8(sqlite3_column_name(查询.句柄(), 列)));
    }
    std::vector<std::vector<Value>> 行;
    int 代码;
    while ((代码 = sqlite3_step(查询.句柄())) == SQLITE_ROW) {
        std::vector<Value> 一行;
        一行.reserve(static_cast<std::size_t>(列数));
        for (int 列 = 0; 列 < 列数; ++列) {
            一行.emplace_back(列值(查询.句柄(), 列));
        }
        行.push_back(std::move(一行));
    }
    if (代码 != SQLITE_DONE) {
        抛出错误(代码);
    }
    return Recordset(std::move(列名), std::move(行));
}

void Database::Execute(const QString& sql) {
    const auto 调用 = 开始调用();
    检查语句文字(sql);
    语句 动作(db_, sql);
    确认已准备(db_, 动作);
    int 代码;
    while ((代码 = sqlite3_step(动作.句柄())) == SQLITE_ROW) {
    }
    if (代码 != SQLITE_DONE) {
        抛出错误(代码);
    }
}

void Database::Close() {
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

void Database::BackupTo(const QString& 路径) {
    const auto 调用 = 开始调用();
    const QString 临时路径 = 路径 + QStringLiteral(".part");
    // What a backup cut short left behind is no database to copy into.
    QFile::remove(临时路径);
    QFile::remove(临时路径 + QStringLiteral("-journal"));
    {
        // A copy holds every note: only its owner may read it, from the moment it exists.
        QFile 新文件(临时路径);
        if (!新文件.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                         QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            throw Error(
                SQLITE_CANTOPEN,
                QStringLiteral("Cannot create '%1': %2").arg(临时路径, 新文件.errorString()));
        }
    }
    bool 完成 = false;
    const auto 清理 = qScopeGuard([&] {
        if (!完成) {
            QFile::remove(临时路径);
            QFile::remove(临时路径 + QStringLiteral("-journal"));
        }
    });
    {
        sqlite3* 副本 = nullptr;
        const auto 关闭副本 = qScopeGuard([&] { sqlite3_close_v2(副本); });
        int 代码 =
            sqlite3_open_v2(临时路径.toUtf8().constData(), &副本, SQLITE_OPEN_READWRITE, nullptr);
        if (代码 != SQLITE_OK) {
            throw Error(代码, 副本 ? QString::fromUtf8(sqlite3_errmsg(副本))
                                   : QString::fromUtf8(sqlite3_errstr(代码)));
        }
        // No journal for the copy: a copy cut short is never renamed into place, so it needs
        // no rollback, and the copy is synced once instead of journal and file many times.
        代码 = sqlite3_exec(副本, "PRAGMA journal_mode=OFF", nullptr, nullptr, nullptr);
        if (代码 != SQLITE_OK) {
            throw Error(代码, QString::fromUtf8(sqlite3_errmsg(副本)));
        }
        sqlite3_backup* 备份 = sqlite3_backup_init(副本, "main", db_, "main");
        if (!备份) {
            throw Error(sqlite3_errcode(副本), QString::fromUtf8(sqlite3_errmsg(副本)));
        }
        // One step copies every page while holding a read lock, so no write of another
        // program falls in between.
        代码 = sqlite3_backup_step(备份, -1);
        const int 结束代码 = sqlite3_backup_finish(备份);
        if (代码 != SQLITE_DONE) {
            throw Error(代码, QString::fromUtf8(sqlite3_errstr(代码)));
        }
        if (结束代码 != SQLITE_OK) {
            throw Error(结束代码, QString::fromUtf8(sqlite3_errmsg(副本)));
        }
        代码 = sqlite3_close_v2(副本);
        副本 = nullptr;
        if (代码 != SQLITE_OK) {
            throw Error(代码, QString::fromUtf8(sqlite3_errstr(代码)));
        }
    }
    std::error_code 错误;
    std::filesystem::rename(std::filesystem::path(临时路径.toStdU16String()),
                            std::filesystem::path(路径.toStdU16String()), 错误);
    if (错误) {
        throw Error(SQLITE_CANTOPEN,
                    QStringLiteral("Cannot rename '%1' to '%2': %3")
                        .arg(临时路径, 路径, QString::fromLocal8Bit(错误.message())));
    }
    完成 = true;
}

std::unique_ptr<Database> DBEngine::OpenDatabase(const QString& 路径, bool Options, bool ReadOnly,
                                                 const QString& Connect) {
    if (Connect.contains(QLatin1String("pwd="), Qt::CaseInsensitive)) {
        throw Error(错误号_密码无效, QStringLiteral("Not a valid password."));
    }
    // The engine must never create a database: a missing file is an error.
    if (!QFileInfo(路径).isFile()) {
        throw Error(错误号_找不到文件, QStringLiteral("Could not find file '%1'.").arg(路径));
    }
    int 标志 = (ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    const QByteArray 文件名 = 路径.toUtf8();
    int 代码 = sqlite3_open_v2(文件名.constData(), &db, 标志, nullptr);
    auto 数据库 = std::unique_ptr<Database>(new Database(db));
    if (代码 != SQLITE_OK) {
        数据库->抛出错误(代码);
    }
    sqlite3_extended_result_codes(db, 0);
    sqlite3_busy_handler(db, &Database::等待锁, 数据库.get());
    // A file may come from anyone: no statement may write to the file's structure directly,
    // and functions and virtual tables named in its schema (views, triggers, defaults) run only
    // when they are harmless.
    代码 = sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    if (代码 == SQLITE_OK) {
        代码 = sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    }
    if (代码 != SQLITE_OK) {
        数据库->抛出错误(代码);
    }
    // Options true asks for the file to oneself.
    数据库->Execute(Options ? QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")
                            : QStringLiteral("PRAGMA locking_mode=NORMAL"));
    // Every write is on disk before Execute returns, and stays there through a power cut: the
    // rollback journal's deletion is synced too, so a committed write cannot be rolled back.
    数据库->Execute(QStringLiteral("PRAGMA synchronous=EXTRA"));
    // Reading the schema proves the file is a database the engine can open.
    数据库->OpenRecordset(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!ReadOnly && sqlite3_db_readonly(db, "main") == 1) {
        throw Error(SQLITE_READONLY, QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY)));
    }
    return 数据库;
}

}  // namespace dao
