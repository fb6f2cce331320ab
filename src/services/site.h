// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The program's web site. Its host is a build setting; the environment variable
// QUILLET_SITE_URL replaces the whole site address (scheme and host), which tests use
// to point the program at a local server.
namespace 站点 {

QString 站点地址();
QString 广告页地址();    // the advertisement page shown in the main window
QString 升级列表地址();  // the update list handed to the update library
QString 官方网站地址();  // the product page linked from the About dialog

}  // namespace 站点
