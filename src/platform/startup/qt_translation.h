// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace platform::startup {

// Where Qt's own catalogue is looked for, in this order: the folder "translations" beside the
// executable (the portable Windows folder carries it there), then Qt's installed translations.
QStringList Qt翻译目录();

// Makes Qt's own texts (message-box buttons, the colour dialog, the context menus of text
// boxes) Simplified Chinese, whatever the system's language: the program speaks only Chinese.
// Dates and numbers keep the user's locale. Returns the catalogue loaded; empty when none of
// the folders holds a usable one, which is logged and leaves Qt's texts in English.
QString 装入Qt中文翻译(const QStringList& 目录表 = Qt翻译目录());

}  // namespace platform::startup
