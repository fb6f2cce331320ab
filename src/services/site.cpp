// SPDX-License-Identifier: MIT
#include "services/site.h"

namespace 站点 {

QString 站点地址() {
    QString 覆盖 = qEnvironmentVariable("QUILLET_SITE_URL");
    if (!覆盖.isEmpty()) {
        return 覆盖;
    }
    return QStringLiteral("http://" QUILLET_SITE_HOST);
}

QString 广告页地址() {
    return 站点地址() + QStringLiteral("/ad/201072847_1.html");
}

QString 升级列表地址() {
    return 站点地址() + QStringLiteral("/SiteBack/updateTxt/47.txt");
}

QString 官方网站地址() {
    return 站点地址() + QStringLiteral("/201072847.html");
}

}  // namespace 站点
