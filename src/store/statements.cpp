// SPDX-License-Identifier: MIT
#include "store/statements.h"

namespace store {

namespace {
std::function<QDateTime()>& 时钟() {
    static std::function<QDateTime()> 当前 = [] { return QDateTime::currentDateTime(); };
    return 当前;
}

// The locale's long time format as the program stores times. Local times carry no time zone,
// so the zone field goes, with the blanks, commas and brackets that set it off ("HH:mm:ss (t)",
// "h:mm:ss AP, t", "t HH:mm:ss"); a blank stays between fields it separated. The day period
// "B" of the Unicode patterns, which Qt leaves unformatted, becomes Qt's "AP".
QString 长时间格式(const QLocale& 区域) {
    const QString 原格式 = 区域.timeFormat(QLocale::LongFormat);
    const auto 是间隔 = [](QChar 字) { return 字.isSpace() || QStringView(u",()[]").contains(字); };
    QString 格式;
    bool 在引号内 = false;
    for (qsizetype i = 0; i < 原格式.size(); ++i) {
        const QChar 字 = 原格式[i];
        if (字 == QLatin1Char('\'')) {
            在引号内 = !在引号内;
        } else if (!在引号内 && 字 == QLatin1Char('t')) {
            while (!格式.isEmpty() && 是间隔(格式.back())) {
                格式.chop(1);
            }
            while (i + 1 < 原格式.size() &&
                   (原格式[i + 1] == QLatin1Char('t') || 是间隔(原格式[i + 1]))) {
                ++i;
            }
            if (!格式.isEmpty() && i + 1 < 原格式.size()) {
                格式 += QLatin1Char(' ');
            }
            continue;
        } else if (!在引号内 && 字 == QLatin1Char('B')) {
            格式 += QLatin1String("AP");
            continue;
        }
        格式 += 字;
    }
    return 格式;
}
}  // namespace

QDateTime 现在() {
    return 时钟()();
}

void 设置时钟(std::function<QDateTime()> 新时钟) {
    时钟() = 新时钟 ? std::move(新时钟) : [] { return QDateTime::currentDateTime(); };
}

QString 文字值(const QString& 文字) {
    // One pass: QString::replace moves the rest of the text once per thousand quotes, which
    // for a note of megabytes full of quotes takes seconds.
    QString 结果;
    结果.reserve(文字.size() + 文字.count(QLatin1Char('\'')) + 2);
    结果 += QLatin1Char('\'');
    qsizetype 起 = 0;
    for (qsizetype 引号 = 文字.indexOf(QLatin1Char('\'')); 引号 >= 0;
         引号 = 文字.indexOf(QLatin1Char('\''), 起)) {
        结果 += QStringView(文字).sliced(起, 引号 + 1 - 起);
        结果 += QLatin1Char('\'');
        起 = 引号 + 1;
    }
    结果 += QStringView(文字).sliced(起);
    结果 += QLatin1Char('\'');
    return 结果;
}

QString 日期时间文字(const QDateTime& 时刻, const QLocale& 区域) {
    QString 日期 = 区域.toString(时刻.date(), QLocale::ShortFormat);
    const QTime 时间 = 时刻.time();
    // Times are written to the second: the first second of the day is midnight too.
    if (时间.hour() == 0 && 时间.minute() == 0 && 时间.second() == 0) {
        return 日期;
    }
    return 日期 + QLatin1Char(' ') + 区域.toString(时间, 长时间格式(区域));
}

QDateTime 日期时间值(const QString& 文字, const QLocale& 区域) {
    const QString 日期格式 = 区域.dateFormat(QLocale::ShortFormat);
    QDateTime 时刻 = 区域.toDateTime(文字, 日期格式 + QLatin1Char(' ') + 长时间格式(区域));
    if (!时刻.isValid()) {
        时刻 = 区域.toDate(文字, 日期格式).startOfDay();
    }
    // Qt reads a two-digit year as one of the 1900s; the program wrote it in the 2000s.
    if (!日期格式.contains(QLatin1String("yyyy"))) {
        时刻 = 时刻.addYears(100);
    }
    return 时刻;
}

编号错误::编号错误(const QString& 编号文字)
    : dao::Error(dao::错误号_类型不符,
                 QStringLiteral("便签编号“%1”不是整数，数据库未作任何改动。").arg(编号文字)) {}

std::int32_t 便签编号(const QString& 编号文字) {
    bool 是数 = false;
    const std::int32_t 编号 = 编号文字.trimmed().toInt(&是数);
    if (!是数) {
        throw 编号错误(编号文字);
    }
    return 编号;
}

QString 全部便签语句() {
    return QStringLiteral("Select * from Tips");
}

QString 单个便签语句(const QString& 编号文字) {
    return QStringLiteral("Select * from Tips where id = ") + QString::number(便签编号(编号文字));
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

QString 按编号文字便签语句(const QString& 编号文字) {
    return QStringLiteral("Select * from Tips where CAST(ID AS TEXT) = ") + 文字值(编号文字);
}

QString 删除便签语句(const QString& 编号文字) {
    return QStringLiteral("Delete from Tips where id = ") + QString::number(便签编号(编号文字));
}

}  // namespace store
