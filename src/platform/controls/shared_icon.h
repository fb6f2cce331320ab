// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QString>

#include <functional>

namespace platform::controls {

// Icons made once and kept for the program's life. Qt caches the pictures it renders of an
// icon under that icon's own identity; an icon made anew for every window leaves its pictures
// in the pixmap cache under a key nobody looks up again, so the cache grows with every window.
// Sharing one icon per picture keeps one set of pictures. The icons go with the application
// object (before it takes the window system down).

// The icon kept under 键, made by 生成 the first time it is asked for.
QIcon 共享图标(const QString& 键, const std::function<QIcon()>& 生成);

// The icon of a picture file (a resource such as ":/icons/save.svg").
QIcon 共享图标(const QString& 文件);

}  // namespace platform::controls
