#include "platform/shell/shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform::shell {

void 打开(const QString& 地址) {
    QDesktopServices::openUrl(QUrl::fromUserInput(地址));
}

QByteArray 到本地代码页(const QString& 文字) {
    return 文字.toLocal8Bit();
}

QString 从本地代码页(const QByteArray& 字节) {
    return QString::fromLocal8Bit(字节);
}

}  // namespace platform::shell
