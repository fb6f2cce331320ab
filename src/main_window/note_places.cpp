// SPDX-License-Identifier: MIT
#include "main_window/note_places.h"

#include "desktop_note/note_window.h"
#include "platform/forms/window_system.h"
#include "platform/log/log.h"
#include "services/registry_module.h"

#include <QCryptographicHash>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace 便签位置 {

namespace {

const QString 设置键 = QStringLiteral("SOFTWARE\\Quillet");
const QString 开关值名 = QStringLiteral("RememberNotePlaces");
constexpr int 最大坐标 = 1 << 20;
constexpr int 保存延迟毫秒 = 500;  // a drag ends before its place is written

// The nearest distance between a point and a rectangle (0 inside), squared.
qint64 距离平方(const QPoint& 点, const QRect& 区域) {
    const qint64 dx =
        std::max({qint64{区域.left()} - 点.x(), qint64{0}, qint64{点.x()} - 区域.right()});
    const qint64 dy =
        std::max({qint64{区域.top()} - 点.y(), qint64{0}, qint64{点.y()} - 区域.bottom()});
    return dx * dx + dy * dy;
}

qint64 面积(const QRect& 区域) {
    return 区域.isEmpty() ? 0 : qint64{区域.width()} * 区域.height();
}

// The id text of a note window, as a number; nothing for a Tag that names no note.
std::optional<QString> 编号文字(const Form_Quillet& 窗口) {
    bool 是数 = false;
    const int 编号 = 窗口.Tag.trimmed().toInt(&是数);
    return 是数 ? std::optional<QString>(QString::number(编号)) : std::nullopt;
}

// Follows one note window's moves and resizes, and stores its place once they settle.
class 跟随 : public QObject {
  public:
    跟随(Form_Quillet& 窗口, std::shared_ptr<const 记录器> 记录, QString 编号)
        : QObject(&窗口), 窗口_(窗口), 记录_(std::move(记录)), 编号_(std::move(编号)) {
        计时器_.setSingleShot(true);
        计时器_.setInterval(保存延迟毫秒);
        connect(&计时器_, &QTimer::timeout, this, [this] { 存储(); });
        窗口.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* 对象, QEvent* 事件) override {
        if (对象 == &窗口_) {
            switch (事件->type()) {
                case QEvent::Move:
                case QEvent::Resize:
                    if (窗口_.isVisible() && 记录_->已开启()) {
                        计时器_.start();
                    }
                    break;
                case QEvent::Hide:
                case QEvent::Close:
                    if (计时器_.isActive()) {
                        存储();
                    }
                    break;
                default:
                    break;
            }
        }
        return QObject::eventFilter(对象, 事件);
    }

  private:
    void 存储() {
        计时器_.stop();
        if (记录_->已开启()) {
            记录_->存储位置(编号_, 窗口_.geometry());
        }
    }

    Form_Quillet& 窗口_;
    std::shared_ptr<const 记录器> 记录_;
    QString 编号_;
    QTimer 计时器_;
};

}  // namespace

QRect 夹到屏幕(const QRect& 位置, const QList<QRect>& 屏幕区域, QSize 最小尺寸) {
    if (屏幕区域.isEmpty()) {
        return 位置;
    }
    auto 目标 = std::max_element(
        屏幕区域.begin(), 屏幕区域.end(),
        [&](const QRect& 甲, const QRect& 乙) { return 面积(甲 & 位置) < 面积(乙 & 位置); });
    if (面积(*目标 & 位置) == 0) {
        目标 = std::min_element(
            屏幕区域.begin(), 屏幕区域.end(), [&](const QRect& 甲, const QRect& 乙) {
                return 距离平方(位置.center(), 甲) < 距离平方(位置.center(), 乙);
            });
    }
    const QRect& 屏 = *目标;
    const int 宽 = std::clamp(位置.width(), std::min(最小尺寸.width(), 屏.width()), 屏.width());
    const int 高 = std::clamp(位置.height(), std::min(最小尺寸.height(), 屏.height()), 屏.height());
    const int 左 = std::clamp(位置.x(), 屏.left(), 屏.left() + 屏.width() - 宽);
    const int 上 = std::clamp(位置.y(), 屏.top(), 屏.top() + 屏.height() - 高);
    return {左, 上, 宽, 高};
}

QString 文字(const QRect& 位置) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(位置.x())
        .arg(位置.y())
        .arg(位置.width())
        .arg(位置.height());
}

std::optional<QRect> 解析(const QString& 文字) {
    const QStringList 部分 = 文字.split(u',');
    if (部分.size() != 4) {
        return std::nullopt;
    }
    int 数[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool 是数 = false;
        数[i] = 部分[i].toInt(&是数);
        const int 下限 = i < 2 ? -最大坐标 : 1;
        if (!是数 || 数[i] < 下限 || 数[i] > 最大坐标) {
            return std::nullopt;
        }
    }
    return QRect(数[0], 数[1], 数[2], 数[3]);
}

记录器::记录器(const QString& 数据库路径) {
    // Each note database has its own notes, so its own places: the key is named after the
    // database file's full path.
    const QByteArray 摘要 =
        QCryptographicHash::hash(QFileInfo(数据库路径).absoluteFilePath().toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    位置键_ = 设置键 + QStringLiteral("\\NotePlaces\\") + QString::fromLatin1(摘要);
    std::int32_t 类型 = 注册表操作::REG_SZ;
    QString 值;
    注册表操作::读取注册表值(注册表操作::HKEY_CURRENT_USER, 设置键, 开关值名, 类型, 值);
    已开启_ = 值 == QStringLiteral("1");
}

bool 记录器::可用() const {
    return platform::可以放置窗口();
}

bool 记录器::设置开启(bool 开启) {
    if (!注册表操作::写入注册表值(注册表操作::HKEY_CURRENT_USER, 设置键, 开关值名,
                                  注册表操作::REG_SZ,
                                  开启 ? QStringLiteral("1") : QStringLiteral("0"))) {
        return false;
    }
    已开启_ = 开启;
    return true;
}

std::optional<QRect> 记录器::已存位置(const QString& 编号) const {
    std::int32_t 类型 = 注册表操作::REG_SZ;
    QString 值;
    if (!注册表操作::读取注册表值(注册表操作::HKEY_CURRENT_USER, 位置键_, 编号, 类型, 值) ||
        类型 != 注册表操作::REG_SZ || 值.isEmpty()) {
        return std::nullopt;
    }
    const std::optional<QRect> 位置 = 解析(值);
    if (!位置) {
        qCWarning(lcMain,
                  "the stored place of note %s is no place; the note opens where the window system "
                  "puts it",
                  qUtf8Printable(编号));
    }
    return 位置;
}

void 记录器::存储位置(const QString& 编号, const QRect& 位置) const {
    if (!注册表操作::写入注册表值(注册表操作::HKEY_CURRENT_USER, 位置键_, 编号, 注册表操作::REG_SZ,
                                  文字(位置))) {
        qCWarning(lcMain, "the place of note %s could not be stored; it opens elsewhere next time",
                  qUtf8Printable(编号));
    }
}

void 记录器::安放(Form_Quillet& 窗口) {
    if (!可用()) {
        return;
    }
    const std::optional<QString> 编号 = 编号文字(窗口);
    if (!编号) {
        return;
    }
    if (已开启_) {
        if (const std::optional<QRect> 位置 = 已存位置(*编号)) {
            QList<QRect> 屏幕区域;
            for (const QScreen* 屏幕 : QGuiApplication::screens()) {
                屏幕区域 << 屏幕->availableGeometry();
            }
            窗口.setGeometry(夹到屏幕(*位置, 屏幕区域, QSize(24, 24)));
        }
    }
    new 跟随(窗口, shared_from_this(), *编号);
}

}  // namespace 便签位置
