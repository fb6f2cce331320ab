// SPDX-License-Identifier: MIT
#include "platform/registry/regular_file.h"

#include "platform/log/log.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::registry {

#ifdef Q_OS_WIN
constexpr int kReadFlags = O_RDONLY | O_BINARY;
#else
// Without O_NONBLOCK, opening a FIFO waits until some other process opens it for writing.
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
#endif

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), kReadFlags);
    if (fd < 0) {
        qCWarning(lcRegistry, "%s cannot be opened: %s", qUtf8Printable(path),
                  std::strerror(errno));
        return std::nullopt;
    }
    struct stat info {};
    std::optional<QByteArray> bytes;
    if (::fstat(fd, &info) != 0) {
        qCWarning(lcRegistry, "%s cannot be examined: %s", qUtf8Printable(path),
                  std::strerror(errno));
    } else if (!S_ISREG(info.st_mode)) {
        qCWarning(lcRegistry, "%s is not a regular file; it is not read", qUtf8Printable(path));
    } else if (info.st_size > maxBytes) {
        qCWarning(lcRegistry, "%s holds %lld bytes, more than the %lld read; it is not read",
                  qUtf8Printable(path), static_cast<long long>(info.st_size), maxBytes);
    } else {
        // The file may still grow while it is read: never take more than the limit.
        QByteArray data(maxBytes + 1, Qt::Uninitialized);
        qsizetype total = 0;
        ssize_t got = 0;
        while (total < data.size()) {
            got = ::read(fd, data.data() + total, static_cast<size_t>(data.size() - total));
            if (got > 0) {
                total += got;
            } else if (got == 0 || errno != EINTR) {
                break;
            }
        }
        if (got < 0) {
            qCWarning(lcRegistry, "%s cannot be read: %s", qUtf8Printable(path),
                      std::strerror(errno));
        } else if (total > maxBytes) {
            qCWarning(lcRegistry, "%s grew past %lld bytes while it was read; it is not read",
                      qUtf8Printable(path), maxBytes);
        } else {
            data.truncate(total);
            bytes = std::move(data);
        }
    }
    ::close(fd);
    return bytes;
}

}  // namespace platform::registry
