// SPDX-License-Identifier: MIT
#include "support/testdb.h"

#include "store/globals.h"

#include <QProcess>

namespace testdb {

bool 创建(const QString& 路径) {
    QProcess 工具;
    工具.start(QStringLiteral(QUILLET_MAKEDB), {路径});
    return 工具.waitForFinished(30000) && 工具.exitStatus() == QProcess::NormalExit &&
           工具.exitCode() == 0;
}

QString 创建并打开(const QString& 目录) {
    const QString 路径 = 目录 + QStringLiteral("/Quillet.mdb");
    if (!创建(路径)) {
        return {};
    }
    自定义变量::全局数据库().打开数据库(路径, QString());
    return 路径;
}

}  // namespace testdb
