// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform::registry {

// The bytes of a regular file (or of a symbolic link to one) of at most maxBytes. Anything else
// (a device, a FIFO, a folder, a larger file) or a failing read gives nothing, with a warning
// saying why; opening never waits for a writer.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

}  // namespace platform::registry
