#include "store/statements.h"

#include <QLocale>

namespace store {

namespace {
std::function<QDateTime()>& 时钟() {
    static std::function<QDateTime()> 当前 = [] { return QDateTime::currentDateTime(); };
    return 当前;
}

// The locale's long time format without a time-zone part: the stored times are local.
QString 长时间格式(const QLocale& 区域) {
    QString 格式 = 区域.timeFormat(QLocale::LongFormat);
    格式.remove(QLatin1Char('t'));
    return 格式.trimmed();
}
}  // namespace

QDateTime 现在() {
    return 时钟()();
}

void 设置时钟(std::function<QDateTime()> 新时钟) {
    时钟() = 新时钟 ? std::move(新时钟) : [] { return QDateTime::currentDateTime(); };
}

QString 文字值(const QString& 文字) {
    QString 结果 = 文字;
    结果.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + 结果 + QLatin1Char('\'');
}

QString 日期时间文字(const QDateTime& 时刻) {
    const QLocale 区域 = QLocale::system();
    const QString 日期 = 区域.toString(时刻.date(), QLocale::ShortFormat);
    if (时刻.time() == QTime(0, 0)) {
        return 日期;
    }
    return 日期 + QLatin1Char(' ') + 区域.toString(时刻.time(), 长时间格式(区域));
}

QString 全部便签语句() {
    return QStringLiteral("Select * from Tips");
}

QString 单个便签语句(const QString& 编号文字) {
    return QStringLiteral("Select * from Tips where id = ") + 编号文字;
}

QString 新建便签语句(const 便签值& 值, const QDateTime& 现在) {
    const QString 时间 = 日期时间文字(现在);
    const QString 值表[] = {值.内容,
                            时间,
                            时间,
                            QStringLiteral("0"),
                            QString::number(值.背景颜色),
                            QString::number(值.字体颜色),
                            QStringLiteral("1"),
                            QStringLiteral("0"),
                            QString::number(值.透明度)};
    QString 语句 = QStringLiteral(
        "INSERT INTO Tips(content,CreateTime,ChangeTime,Deleted,BackColor,FontColor,Visual,"
        "TopMost,Transparent) Values(");
    for (const QString& 一个 : 值表) {
        if (&一个 != &值表[0]) {
            语句 += QLatin1String(", ");
        }
        语句 += 文字值(一个);
    }
    return 语句 + QLatin1Char(')');
}

QString 修改便签语句(const 便签值& 值, const QDateTime& 现在, std::int32_t 编号) {
    return QStringLiteral("UPDATE Tips SET content=") + 文字值(值.内容) +
           QStringLiteral(", ChangeTime=") + 文字值(日期时间文字(现在)) +
           QStringLiteral(", BackColor=") + 文字值(QString::number(值.背景颜色)) +
           QStringLiteral(", FontColor=") + 文字值(QString::number(值.字体颜色)) +
           QStringLiteral(", Transparent=") + 文字值(QString::number(值.透明度)) +
           QStringLiteral(" where id = ") + QString::number(编号);
}

QString 删除便签语句(const QString& 编号文字) {
    return QStringLiteral("Delete from Tips where id = ") + 编号文字;
}

}  // namespace store
