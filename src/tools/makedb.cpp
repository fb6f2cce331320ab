// SPDX-License-Identifier: MIT
// quillet-makedb PATH: creates an empty note database with its Tips table.
// It never touches a file that already exists.

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr const char* 建表语句 =
    "PRAGMA journal_mode=DELETE;"
    "BEGIN;"
    "CREATE TABLE Tips("
    "ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    "content TEXT,"
    "CreateTime TEXT,"
    "ChangeTime TEXT,"
    "Deleted INTEGER,"
    "BackColor INTEGER,"
    "FontColor INTEGER,"
    "Visual INTEGER,"
    "TopMost INTEGER,"
    "Transparent INTEGER);"
    "COMMIT;";

// Anything at the path counts, a dangling symbolic link included: it is never followed.
bool 存在(const char* 路径) {
    std::error_code 错误;
    const auto 状态 = std::filesystem::symlink_status(路径, 错误);
    return !错误 && 状态.type() != std::filesystem::file_type::not_found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr,
                     "用法：quillet-makedb 路径\n创建一个空的便签数据库（Quillet.mdb）。\n");
        return 2;
    }
    const char* 路径 = argv[1];
    if (存在(路径)) {
        std::fprintf(stderr, "quillet-makedb：%s 已存在，未做任何改动。\n", 路径);
        return 1;
    }
    // The notes are private: the file is created empty ("x": never over an existing one) and
    // readable by its owner alone before the engine writes a byte to it.
    std::FILE* 新文件 = std::fopen(路径, "wx");
    std::error_code 权限错误;
    if (新文件 != nullptr) {
        std::fclose(新文件);
        std::filesystem::permissions(
            路径, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
            权限错误);
    }
    if (新文件 == nullptr || 权限错误) {
        std::fprintf(stderr, "quillet-makedb：无法创建 %s：%s\n", 路径,
                     权限错误 ? 权限错误.message().c_str() : std::strerror(errno));
        if (新文件 != nullptr) {
            std::remove(路径);
        }
        return 1;
    }
    sqlite3* db = nullptr;
    int 代码 = sqlite3_open_v2(路径, &db, SQLITE_OPEN_READWRITE, nullptr);
    char* 错误 = nullptr;
    if (代码 == SQLITE_OK) {
        代码 = sqlite3_exec(db, 建表语句, nullptr, nullptr, &错误);
    }
    if (代码 != SQLITE_OK) {
        std::fprintf(stderr, "quillet-makedb：无法创建 %s：%s\n", 路径,
                     错误 ? 错误 : (db ? sqlite3_errmsg(db) : sqlite3_errstr(代码)));
        sqlite3_free(错误);
        sqlite3_close(db);
        std::remove(路径);
        return 1;
    }
    sqlite3_close(db);
    std::printf("已创建空的便签数据库：%s\n", 路径);
    return 0;
}
