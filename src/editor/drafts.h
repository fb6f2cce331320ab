// SPDX-License-Identifier: MIT
#pragma once

// Drafts: what an editor holds that is not saved yet, kept on disk so that nothing typed is lost
// when the program ends without saving it (a crash, kill -9, a signal, the end of the session).
//
// While an editor's text differs from what it was opened with (or last saved), its draft is
// written at most a second after each change (up to ten for a note of many megabytes, whose
// draft takes long to write), atomically, into the folder "drafts" beside the
// note database (made 0700, files 0600). The draft goes when the text is saved, when the editor
// is closed without saving (the user discards the text), or when the text returns to what is
// stored. When the program ends (its exit command, a signal, the session manager), every editor's
// draft is written at once and kept. The next start offers each draft left behind: restore it
// into an editor, or discard it. A draft never changes a stored note by itself.
//
// Draft files are read as untrusted input: only regular files with a draft's name and at most
// 最大草稿字节 bytes are read, and a file that is not a well-formed draft is left alone (logged).

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QTimer;
class QWidget;
class Form_添加便签;
class 编辑器宿主;

namespace 草稿 {

// The largest draft file read; a note text of several MiB fits many times over.
inline constexpr qint64 最大草稿字节 = 64LL * 1024 * 1024;

// One draft: the editor's mode, text and choices when it was written.
struct 草稿内容 {
    std::int32_t 便签编号 = 0;  // 0: a new note; otherwise the edited note's id
    QString 创建时间;           // the edited note's CreateTime, to recognise the note again
    QString 内容;
    std::int32_t 背景颜色 = 0;
    std::int32_t 字体颜色 = 0;
    int 透明度索引 = 0;
    QDateTime 写入时间;

    bool operator==(const 草稿内容&) const = default;
};

// A draft file's bytes and back. 解析 gives nothing for anything but a well-formed draft.
QByteArray 编码(const 草稿内容& 草稿);
std::optional<草稿内容> 解析(const QByteArray& 字节);

// The folder of drafts beside one note database.
class 草稿箱 {
  public:
    explicit 草稿箱(const QString& 数据库路径);

    const QString& 目录() const { return 目录_; }
    // A new file name, unused in this folder.
    QString 新文件名();
    // Writes atomically; false (with a log line) when it failed.
    bool 写入(const QString& 文件名, const 草稿内容& 草稿);
    void 删除(const QString& 文件名);

    struct 条目 {
        QString 文件名;
        草稿内容 草稿;
    };
    // The drafts in the folder, oldest first. Files that are not drafts are logged and left.
    std::vector<条目> 读取全部() const;

  private:
    bool 准备目录();

    QString 目录_;
    int 序号_ = 0;
};

// Sets the folder of drafts for the note database the program has opened. Until then (and in
// tests that do not call it) no draft is written.
void 启用(const QString& 数据库路径);
草稿箱* 当前草稿箱();

// Keeps one editor's draft. Made a child of the editor once the editor holds the text it was
// opened with; 基准文字 is that text (the stored note's, or empty for a new note).
class 草稿守护 : public QObject {
  public:
    草稿守护(Form_添加便签& 编辑器, QString 基准文字, QString 创建时间 = {});
    ~草稿守护() override;

    // Writes the draft now when the text differs from the stored one, removes it otherwise;
    // nothing when the text has not changed since the last time.
    void 立即保存();
    // Takes over a draft file already on disk (a restored draft): it is this editor's now.
    void 接管(const QString& 文件名);
    const QString& 文件名() const { return 文件名_; }

  private:
    void 已改变();
    void 已保存();
    // Writes or removes the draft as the text stands; false when the draft could not be written.
    bool 写出草稿();

    Form_添加便签& 编辑器_;
    QString 基准文字_;
    QString 创建时间_;
    QString 文件名_;
    QTimer* 计时器_;
    bool 有草稿_ = false;
    bool 有改动_ = false;  // changed since the draft was last written or removed
    bool 已报告失败_ = false;
};

// Gives an editor its draft keeper (see 草稿守护).
草稿守护* 守护(Form_添加便签& 编辑器, const QString& 基准文字, const QString& 创建时间 = {});

// Every editor's draft is written now (the session manager's request to save, at log-out).
void 全部立即保存();
// The program ends: every editor's draft is written now and kept when the editors close.
void 保存全部并保留();

// Offers the drafts an earlier run left behind, one by one: restore into an editor (edit mode
// for a note that is still stored, otherwise a new note), discard, or ask again next time.
void 提供恢复(编辑器宿主& 宿主, QWidget* 父窗口);

}  // namespace 草稿
