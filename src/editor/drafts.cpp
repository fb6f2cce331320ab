// SPDX-License-Identifier: MIT
#include "editor/drafts.h"

#include "editor/editor_dialog.h"
#include "platform/controls/colorpicker.h"
#include "platform/dao/dao.h"
#include "platform/forms/window_look.h"
#include "platform/log/log.h"
#include "platform/registry/regular_file.h"
#include "services/message_box.h"
#include "store/globals.h"
#include "store/statements.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace 草稿 {

namespace {

const QString 格式 = QStringLiteral("quillet-draft");
constexpr int 版本 = 1;
// More drafts than any number of editors a person keeps open; a folder filled by something else
// is not read further.
constexpr int 最多草稿数 = 100;
constexpr int 保存间隔毫秒 = 1000;       // the draft lags the text by at most about this
constexpr int 最长保存间隔毫秒 = 10000;  // ... or, for a very long note, this
constexpr int 预览字数 = 300;
constexpr int 预览行数 = 8;

std::unique_ptr<草稿箱>& 当前箱() {
    static std::unique_ptr<草稿箱> 箱;
    return 箱;
}

std::vector<草稿守护*>& 活动守护() {
    static std::vector<草稿守护*> 列表;
    return 列表;
}

bool 程序结束 = false;

// The whole name, without the line end that "$" would let through.
QString 文件名模式() {
    return QRegularExpression::anchoredPattern(
        QStringLiteral("d[0-9]{1,20}-[0-9]{1,10}-[0-9]{1,10}\\.draft"));
}

// A whole number of a JSON value within 32 bits.
std::optional<std::int32_t> 整数(const QJsonValue& 值) {
    if (!值.isDouble()) {
        return std::nullopt;
    }
    const double 数 = 值.toDouble();
    if (std::trunc(数) != 数 || 数 < std::numeric_limits<std::int32_t>::min() ||
        数 > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(数);
}

// The start of a draft's text for the question: a few lines, control characters made visible.
QString 预览(const QString& 内容) {
    QString 结果 = 内容.left(预览字数);
    for (QChar& 字 : 结果) {
        if (字.category() == QChar::Other_Control && 字 != u'\n' && 字 != u'\t') {
            字 = QChar::ReplacementCharacter;
        }
    }
    QStringList 行 = 结果.split(u'\n');
    const bool 截断 = 结果.size() < 内容.size() || 行.size() > 预览行数;
    行 = 行.mid(0, 预览行数);
    return 行.join(u'\n') + (截断 ? QStringLiteral("……") : QString());
}

}  // namespace

QByteArray 编码(const 草稿内容& 草稿) {
    QJsonObject 对象;
    对象.insert(QStringLiteral("format"), 格式);
    对象.insert(QStringLiteral("version"), 版本);
    对象.insert(QStringLiteral("note"), 草稿.便签编号);
    对象.insert(QStringLiteral("created"), 草稿.创建时间);
    对象.insert(QStringLiteral("text"), 草稿.内容);
    对象.insert(QStringLiteral("back"), 草稿.背景颜色);
    对象.insert(QStringLiteral("font"), 草稿.字体颜色);
    对象.insert(QStringLiteral("transparency"), 草稿.透明度索引);
    对象.insert(QStringLiteral("written"), 草稿.写入时间.toString(Qt::ISODateWithMs));
    return QJsonDocument(对象).toJson(QJsonDocument::Compact);
}

std::optional<草稿内容> 解析(const QByteArray& 字节) {
    QJsonParseError 错误{};
    const QJsonDocument 文档 = QJsonDocument::fromJson(字节, &错误);
    if (错误.error != QJsonParseError::NoError || !文档.isObject()) {
        return std::nullopt;
    }
    const QJsonObject 对象 = 文档.object();
    if (对象.value(QStringLiteral("format")) != 格式 ||
        整数(对象.value(QStringLiteral("version"))) != 版本) {
        return std::nullopt;
    }
    const auto 编号 = 整数(对象.value(QStringLiteral("note")));
    const auto 背景 = 整数(对象.value(QStringLiteral("back")));
    const auto 字色 = 整数(对象.value(QStringLiteral("font")));
    const auto 透明度 = 整数(对象.value(QStringLiteral("transparency")));
    const QJsonValue 内容 = 对象.value(QStringLiteral("text"));
    const QJsonValue 创建 = 对象.value(QStringLiteral("created"));
    const QJsonValue 写入 = 对象.value(QStringLiteral("written"));
    if (!编号 || *编号 < 0 || !背景 || !字色 || !透明度 || *透明度 < 0 || *透明度 > 9 ||
        !内容.isString() || !创建.isString() || !写入.isString()) {
        return std::nullopt;
    }
    草稿内容 草稿;
    草稿.便签编号 = *编号;
    草稿.创建时间 = 创建.toString();
    草稿.内容 = 内容.toString();
    草稿.背景颜色 = *背景;
    草稿.字体颜色 = *字色;
    草稿.透明度索引 = *透明度;
    草稿.写入时间 = QDateTime::fromString(写入.toString(), Qt::ISODateWithMs);
    return 草稿;
}

草稿箱::草稿箱(const QString& 数据库路径)
    : 目录_(QFileInfo(数据库路径).absoluteDir().filePath(QStringLiteral("drafts"))) {}

QString 草稿箱::新文件名() {
    const QDir 目录(目录_);
    QString 名;
    do {
        名 = QStringLiteral("d%1-%2-%3.draft")
                 .arg(QDateTime::currentMSecsSinceEpoch())
                 .arg(QCoreApplication::applicationPid())
                 .arg(++序号_);
    } while (目录.exists(名));
    return 名;
}

bool 草稿箱::准备目录() {
    const QFileInfo 信息(目录_);
    if (信息.isSymLink() || (信息.exists() && !信息.isDir())) {
        qCWarning(lcEditor, "%s is not a folder of the program's own; no draft is kept",
                  qUtf8Printable(QDir::toNativeSeparators(目录_)));
        return false;
    }
    if (!信息.exists() && !QDir().mkdir(目录_, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner)) {
        qCWarning(lcEditor, "the drafts folder %s cannot be made; no draft is kept",
                  qUtf8Printable(QDir::toNativeSeparators(目录_)));
        return false;
    }
    return true;
}

bool 草稿箱::写入(const QString& 文件名, const 草稿内容& 草稿) {
    if (!准备目录()) {
        return false;
    }
    const QString 路径 = QDir(目录_).filePath(文件名);
    const QByteArray 字节 = 编码(草稿);
    QSaveFile 文件(路径);
    if (!文件.open(QIODevice::WriteOnly)) {
        qCWarning(lcEditor, "the draft %s cannot be written: %s", qUtf8Printable(路径),
                  qUtf8Printable(文件.errorString()));
        return false;
    }
    // Unsaved notes are as private as the saved ones.
    文件.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (文件.write(字节) != 字节.size() || !文件.commit()) {
        qCWarning(lcEditor, "the draft %s cannot be written: %s", qUtf8Printable(路径),
                  qUtf8Printable(文件.errorString()));
        return false;
    }
    return true;
}

void 草稿箱::删除(const QString& 文件名) {
    QFile 文件(QDir(目录_).filePath(文件名));
    if (文件.exists() && !文件.remove()) {
        qCWarning(lcEditor, "the draft %s cannot be removed: %s", qUtf8Printable(文件.fileName()),
                  qUtf8Printable(文件.errorString()));
    }
}

std::vector<草稿箱::条目> 草稿箱::读取全部() const {
    std::vector<条目> 结果;
    const QFileInfo 目录信息(目录_);
    if (!目录信息.isDir() || 目录信息.isSymLink()) {
        return 结果;
    }
    const QRegularExpression 名称(文件名模式());
    const QStringList 名单 =
        QDir(目录_).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    int 其他 = 0;
    int 已读 = 0;
    for (const QString& 名 : 名单) {
        if (!名称.match(名).hasMatch()) {
            ++其他;
            continue;
        }
        if (++已读 > 最多草稿数) {
            qCWarning(lcEditor, "more than %d drafts in %s; the others are not read", 最多草稿数,
                      qUtf8Printable(QDir::toNativeSeparators(目录_)));
            break;
        }
        const QString 路径 = QDir(目录_).filePath(名);
        if (QFileInfo(路径).isSymLink()) {
            ++其他;
            continue;
        }
        const std::optional<QByteArray> 字节 =
            platform::registry::readRegularFile(路径, 最大草稿字节);
        std::optional<草稿内容> 草稿 = 字节 ? 解析(*字节) : std::nullopt;
        if (!草稿) {
            qCWarning(lcEditor, "%s is not a draft the program can read; it is left as it is",
                      qUtf8Printable(QDir::toNativeSeparators(路径)));
            continue;
        }
        结果.push_back({名, std::move(*草稿)});
    }
    if (其他 > 0) {
        qCWarning(lcEditor, "%d file(s) in %s are not drafts; they are left as they are", 其他,
                  qUtf8Printable(QDir::toNativeSeparators(目录_)));
    }
    std::stable_sort(结果.begin(), 结果.end(), [](const 条目& 甲, const 条目& 乙) {
        return 甲.草稿.写入时间 < 乙.草稿.写入时间;
    });
    return 结果;
}

void 启用(const QString& 数据库路径) {
    当前箱() = std::make_unique<草稿箱>(数据库路径);
    程序结束 = false;
}

草稿箱* 当前草稿箱() {
    return 当前箱().get();
}

草稿守护::草稿守护(Form_添加便签& 编辑器, QString 基准文字, QString 创建时间)
    : QObject(&编辑器),
      编辑器_(编辑器),
      基准文字_(std::move(基准文字)),
      创建时间_(std::move(创建时间)),
      计时器_(new QTimer(this)) {
    计时器_->setSingleShot(true);
    计时器_->setInterval(保存间隔毫秒);
    connect(计时器_, &QTimer::timeout, this, [this] { 立即保存(); });
    connect(编辑器.FlatEdit_内容()->document(), &QTextDocument::contentsChanged, this,
            [this] { 已改变(); });
    编辑器.已保存 = [this] { 已保存(); };
    活动守护().push_back(this);
}

草稿守护::~草稿守护() {
    std::erase(活动守护(), this);
    // Closing the editor discards its text; the end of the program keeps it.
    if (有草稿_ && !程序结束) {
        if (草稿箱* 箱 = 当前草稿箱()) {
            箱->删除(文件名_);
        }
    }
}

void 草稿守护::接管(const QString& 文件名) {
    文件名_ = 文件名;
    有草稿_ = true;
}

void 草稿守护::已改变() {
    有改动_ = true;
    // Not restarted by every key: while the user types on, the draft still follows each second.
    if (!计时器_->isActive()) {
        计时器_->start();
    }
}

void 草稿守护::已保存() {
    计时器_->stop();
    有改动_ = false;
    基准文字_ = 编辑框文字(*编辑器_.FlatEdit_内容());
    if (有草稿_) {
        if (草稿箱* 箱 = 当前草稿箱()) {
            箱->删除(文件名_);
        }
        有草稿_ = false;
    }
}

void 草稿守护::立即保存() {
    计时器_->stop();
    // Nothing typed since the last look: the draft on disk (or its absence) is still right.
    if (!有改动_) {
        return;
    }
    QElapsedTimer 用时;
    用时.start();
    有改动_ = !写出草稿();
    // A long note's draft takes a noticeable time (about 0.2 s for 10 MiB): the next one waits
    // ten times as long, so that drafts never take more than a tenth of the editor's time.
    计时器_->setInterval(
        static_cast<int>(std::clamp<qint64>(用时.elapsed() * 10, 保存间隔毫秒, 最长保存间隔毫秒)));
}

bool 草稿守护::写出草稿() {
    草稿箱* 箱 = 当前草稿箱();
    if (!箱) {
        return true;
    }
    草稿内容 草稿;
    草稿.内容 = 编辑框文字(*编辑器_.FlatEdit_内容());
    if (草稿.内容.isEmpty() || 草稿.内容 == 基准文字_) {
        // Nothing that is not stored already: no draft.
        if (有草稿_) {
            箱->删除(文件名_);
            有草稿_ = false;
        }
        return true;
    }
    草稿.便签编号 = 编辑器_.便签编号;
    草稿.创建时间 = 编辑器_.便签编号 != 0 ? 创建时间_ : QString();
    草稿.背景颜色 = 编辑器_.ColorPicker_背景颜色()->颜色();
    草稿.字体颜色 = 编辑器_.ColorPicker_字体颜色()->颜色();
    草稿.透明度索引 = std::max(0, 编辑器_.ComboBox_便签透明度()->currentIndex());
    草稿.写入时间 = QDateTime::currentDateTime();
    if (文件名_.isEmpty()) {
        文件名_ = 箱->新文件名();
    }
    if (箱->写入(文件名_, 草稿)) {
        有草稿_ = true;
        已报告失败_ = false;
        return true;
    }
    if (!已报告失败_) {
        已报告失败_ = true;
        qCWarning(lcEditor, "an editor's unsaved text is kept only in memory until it is saved");
    }
    return false;
}

草稿守护* 守护(Form_添加便签& 编辑器, const QString& 基准文字, const QString& 创建时间) {
    return new 草稿守护(编辑器, 基准文字, 创建时间);
}

void 保存全部并保留() {
    程序结束 = true;
    全部立即保存();
}

void 全部立即保存() {
    // A copy: saving may add or remove guards.
    const std::vector<草稿守护*> 守护 = 活动守护();
    for (草稿守护* 一个 : 守护) {
        一个->立即保存();
    }
}

namespace {

// How a draft comes back: into the note it changed, or as a new note.
struct 恢复方式 {
    bool 修改原便签 = false;
    bool 与存储相同 = false;  // the note already holds the draft's text: nothing to restore
    QString 存储文字;
};

恢复方式 判断恢复方式(const 草稿内容& 草稿) {
    恢复方式 方式;
    if (草稿.便签编号 == 0) {
        return 方式;
    }
    try {
        const dao::Recordset 记录 = 自定义变量::全局数据库().数据库_查找_语句(
            store::单个便签语句(QString::number(草稿.便签编号)));
        // A row with the id but another creation time is another note that took the id.
        if (!记录.Eof() && (草稿.创建时间.isEmpty() ||
                            记录.Fields(QStringLiteral("CreateTime")).ToText() == 草稿.创建时间)) {
            方式.修改原便签 = true;
            方式.存储文字 = 记录.Fields(QStringLiteral("content")).ToText();
            方式.与存储相同 = 方式.存储文字 == 草稿.内容;
        }
    } catch (const dao::Error& 错误) {
        // Restored as a new note, the draft can overwrite nothing.
        qCWarning(lcEditor, "the note of a draft could not be looked up, offered as a new note: %s",
                  qUtf8Printable(错误.Description()));
    }
    return 方式;
}

void 打开编辑器(编辑器宿主& 宿主, const 草稿箱::条目& 条目, const 恢复方式& 方式) {
    const 草稿内容& 草稿 = 条目.草稿;
    auto* 编辑器 = new Form_添加便签(宿主);
    编辑器->便签编号 = 方式.修改原便签 ? 草稿.便签编号 : 0;
    if (方式.修改原便签 && !草稿.创建时间.isEmpty()) {
        编辑器->便签创建时间 = 草稿.创建时间;  // a save checks the row is still this note
    }
    编辑器->设置内容背景颜色(草稿.背景颜色);
    编辑器->ColorPicker_背景颜色()->设置颜色(草稿.背景颜色);
    编辑器->设置内容字体颜色(草稿.字体颜色);
    编辑器->ColorPicker_字体颜色()->设置颜色(草稿.字体颜色);
    编辑器->ComboBox_便签透明度()->setCurrentIndex(草稿.透明度索引);
    // The editor keeps the draft's file once the text is in: it stays until the text is saved or
    // discarded.
    编辑器->载入文字(
        草稿.内容,
        [编辑器, 存储文字 = 方式.存储文字, 创建时间 = 方式.修改原便签 ? 草稿.创建时间 : QString(),
         文件名 = 条目.文件名] { 守护(*编辑器, 存储文字, 创建时间)->接管(文件名); });
    编辑器->show();
}

QString 问题文字(const 草稿内容& 草稿, const 恢复方式& 方式, std::size_t 第, std::size_t 共) {
    QString 文字 = QStringLiteral("上次程序没有正常结束，编辑窗口中没有保存的内容留作了草稿");
    if (共 > 1) {
        文字 += QStringLiteral("（第 %1 份，共 %2 份）").arg(第).arg(共);
    }
    if (草稿.写入时间.isValid()) {
        文字 += QStringLiteral("，写于 %1")
                    .arg(QLocale::system().toString(草稿.写入时间, QLocale::ShortFormat));
    }
    文字 += QStringLiteral("：\n\n") + 预览(草稿.内容) + QStringLiteral("\n\n");
    if (方式.修改原便签) {
        文字 += QStringLiteral(
                    "这是对便签（编号 %1）的修改，便签本身还是修改前的样子；恢复后在编辑窗口中"
                    "保存，才会改动这条便签。")
                    .arg(草稿.便签编号);
    } else if (草稿.便签编号 != 0) {
        文字 += QStringLiteral(
                    "它修改的便签（编号 %1）已不在便签数据库中；恢复后保存，将成为一条新便签。")
                    .arg(草稿.便签编号);
    } else {
        文字 += QStringLiteral("这是一条新便签；恢复后在编辑窗口中保存即可。");
    }
    return 文字;
}

}  // namespace

void 提供恢复(编辑器宿主& 宿主, QWidget* 父窗口) {
    草稿箱* 箱 = 当前草稿箱();
    if (!箱) {
        return;
    }
    const std::vector<草稿箱::条目> 全部 = 箱->读取全部();
    const QPointer<QWidget> 父(父窗口);
    for (std::size_t i = 0; i < 全部.size() && !程序结束; ++i) {
        const 草稿箱::条目& 条目 = 全部[i];
        const 恢复方式 方式 = 判断恢复方式(条目.草稿);
        if (方式.与存储相同) {
            // Saved just before the program ended, before the draft could go.
            箱->删除(条目.文件名);
            continue;
        }
        QMessageBox 问题(QMessageBox::Question, platform::应用程序标题(),
                         问题文字(条目.草稿, 方式, i + 1, 全部.size()), QMessageBox::NoButton,
                         父.data());
        问题.setWindowIcon(程序图标());
        // The text comes from a file: shown as it is, never as markup.
        问题.setTextFormat(Qt::PlainText);
        QPushButton* 恢复 =
            问题.addButton(QStringLiteral("恢复到编辑窗口"), QMessageBox::AcceptRole);
        QPushButton* 丢弃 =
            问题.addButton(QStringLiteral("丢弃草稿"), QMessageBox::DestructiveRole);
        QPushButton* 以后 =
            问题.addButton(QStringLiteral("下次启动时再问"), QMessageBox::RejectRole);
        问题.setDefaultButton(恢复);
        问题.setEscapeButton(以后);
        问题.exec();
        if (程序结束) {
            return;  // the program ends while it asks: the draft stays for the next start
        }
        if (问题.clickedButton() == 恢复) {
            打开编辑器(宿主, 条目, 方式);
        } else if (问题.clickedButton() == 丢弃) {
            箱->删除(条目.文件名);
        }
    }
}

}  // namespace 草稿
