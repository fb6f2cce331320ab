// SPDX-License-Identifier: MIT
// quillet-find-bench NOTES RUNS: the time the find matcher takes per keystroke over every note.
// NOTES holds the note texts in UTF-8, separated by NUL characters (bench/run.py writes it from
// fixtures.note_texts). Each query is typed letter by letter; for every keystroke all notes are
// matched, RUNS times, and the median is kept. Prints "RESULT name value" lines for run.py.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/text/find_key.h"

using platform::text::查找词;
using platform::text::查找键;

namespace {

double 中位数(std::vector<double> 值) {
    std::sort(值.begin(), 值.end());
    return 值[值.size() / 2];
}

// Median over RUNS of one pass of 做 (which returns the number of matching notes), in ms.
template <typename F>
double 计时(int 次数, qsizetype& 找到, F&& 做) {
    std::vector<double> 毫秒;
    for (int i = 0; i < 次数; ++i) {
        QElapsedTimer 计时器;
        计时器.start();
        找到 = 做();
        毫秒.push_back(计时器.nsecsElapsed() / 1e6);
    }
    return 中位数(毫秒);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication 程序(argc, argv);
    const QStringList 参数 = QCoreApplication::arguments();
    if (参数.size() != 3) {
        std::fprintf(stderr, "usage: quillet-find-bench NOTES RUNS\n");
        return 2;
    }
    QFile 文件(参数[1]);
    if (!文件.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(参数[1]), qPrintable(文件.errorString()));
        return 2;
    }
    const int 次数 = std::max(1, 参数[2].toInt());
    QStringList 文字;
    for (const QByteArray& 一条 : 文件.readAll().split('\0')) {
        文字.append(QString::fromUtf8(一条));
    }
    qsizetype 字符 = 0;
    qsizetype 汉字 = 0;
    for (const QString& 一条 : 文字) {
        字符 += 一条.size();
        汉字 += std::count_if(一条.begin(), 一条.end(),
                              [](QChar c) { return c.script() == QChar::Script_Han; });
    }
    std::printf("%lld notes, %.0f characters on average, %.0f %% of them Han\n",
                static_cast<long long>(文字.size()), double(字符) / 文字.size(),
                100.0 * 汉字 / 字符);

    std::vector<查找键> 键;
    qsizetype 找到 = 0;
    const double 准备 = 计时(次数, 找到, [&] {
        键.clear();
        键.reserve(文字.size());
        for (const QString& 一条 : 文字) {
            键.emplace_back(一条);
        }
        return qsizetype(键.size());
    });
    std::printf("RESULT find_prepare_ms %.3f\n", 准备);

    // Initials, full pinyin, Chinese text, latin text and a query that matches nothing (every
    // note read to its end, by pinyin too).
    const QStringList 查找表 = {u"mtkh"_qs, u"kuaidi"_qs, u"张经理"_qs, u"Invoice"_qs, u"xzqv"_qs};
    std::vector<double> 每键;
    std::vector<double> 每键不预备;
    for (const QString& 查找 : 查找表) {
        for (qsizetype n = 1; n <= 查找.size(); ++n) {
            const QString 已打 = 查找.left(n);
            每键.push_back(计时(次数, 找到, [&] {
                const 查找词 词(已打);
                return std::count_if(键.begin(), 键.end(),
                                     [&](const 查找键& k) { return k.匹配(词); });
            }));
            std::printf("  %-8s %5lld notes found, %.2f ms\n", qPrintable(已打),
                        static_cast<long long>(找到), 每键.back());
            每键不预备.push_back(计时(次数, 找到, [&] {
                return std::count_if(键.begin(), 键.end(),
                                     [&](const 查找键& k) { return k.匹配(已打); });
            }));
        }
    }
    std::printf("RESULT find_keystroke_median_ms %.3f\nRESULT find_keystroke_max_ms %.3f\n",
                中位数(每键), *std::max_element(每键.begin(), 每键.end()));
    std::printf(
        "RESULT find_keystroke_text_median_ms %.3f\nRESULT find_keystroke_text_max_ms %.3f\n",
        中位数(每键不预备), *std::max_element(每键不预备.begin(), 每键不预备.end()));
    std::printf("RESULT find_notes %lld\n", static_cast<long long>(键.size()));
    return 0;
}
