#include "platform/registry/autostart_entry.h"

#include "platform/log/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform::registry {

QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) {
        return QDir::cleanPath(xdg);
    }
    return QDir::homePath() + QStringLiteral("/.config");
}

#ifdef _WIN32
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

namespace platform::registry::autostart {

namespace {

const QString kGroup = QStringLiteral("[Desktop Entry]");
const QString kTypeKey = QStringLiteral("X-Quillet-Value-Type");
const QString kCommandKey = QStringLiteral("X-Quillet-Command");
const QString kSuffix = QStringLiteral(".desktop");
// Far more than any entry the program writes.
constexpr qint64 kLargestEntry = qint64{64} * 1024;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Characters that make the Desktop Entry rules require a quoted argument, plus a few that are
// quoted for safety (percent, equals, control characters).
bool needsQuoting(const QString& argument) {
    if (argument.isEmpty()) {
        return true;
    }
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`%=");
    for (const QChar c : argument) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || reserved.contains(c)) {
            return true;
        }
    }
    return false;
}

// The field codes a launcher replaces; with no files or addresses to pass they expand to nothing.
bool isFieldCode(QChar c) {
    return QStringLiteral("fFuUickdDnNvm").contains(c);
}

// Keys of the [Desktop Entry] group, values still escaped. Locale variants (Name[de]) are skipped.
struct ParsedFile {
    bool readable = false;
    QList<std::pair<QString, QString>> keys;

    std::optional<QString> get(const QString& key) const {
        for (const auto& [k, v] : keys) {
            if (k == key) {
                return v;
            }
        }
        return std::nullopt;
    }
};

ParsedFile parseFile(const QString& path) {
    ParsedFile parsed;
    const std::optional<QByteArray> bytes = readRegularFile(path, kLargestEntry);
    if (!bytes) {
        return parsed;
    }
    parsed.readable = true;
    const QString text = QString::fromUtf8(*bytes);
    bool inGroup = false;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            continue;
        }
        if (trimmed.startsWith(u'[')) {
            inGroup = trimmed == kGroup;
            continue;
        }
        if (!inGroup) {
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) {
            continue;
        }
        const QString key = line.left(eq).trimmed();
        QString value = line.mid(eq + 1);
        while (!value.isEmpty() && (value.front() == u' ' || value.front() == u'\t')) {
            value.remove(0, 1);
        }
        if (!key.contains(u'[')) {
            parsed.keys.append({key, value});
        }
    }
    return parsed;
}

bool isOurs(const ParsedFile& parsed) {
    return parsed.readable && parsed.get(kTypeKey).has_value();
}

// The entry file for a value name: an exact match first, then one that differs only in case.
// `ours` tells whether the file found is one of the program's entries.
struct Found {
    QString path;
    bool ours = false;
};

std::optional<Found> find(const QString& valueName) {
    const QDir dir(directory());
    const QString exact = valueName + kSuffix;
    if (QFileInfo::exists(dir.filePath(exact))) {
        const QString path = dir.filePath(exact);
        const ParsedFile parsed = parseFile(path);
        if (isOurs(parsed)) {
            return Found{path, true};
        }
    }
    const QStringList names =
        dir.entryList({QStringLiteral("*") + kSuffix}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        if (name == exact) {
            continue;
        }
        const QString base = name.left(name.size() - kSuffix.size());
        if (base.compare(valueName, Qt::CaseInsensitive) == 0) {
            const QString path = dir.filePath(name);
            if (isOurs(parseFile(path))) {
                return Found{path, true};
            }
        }
    }
    if (QFileInfo::exists(dir.filePath(exact))) {
        return Found{dir.filePath(exact), false};
    }
    return std::nullopt;
}

}  // namespace

// Launchers look for the program named in Exec before they expand "%%" in it, so a program
// whose path holds a percent sign would never be found. Such a program is started through the
// shell, which gets the path as an ordinary argument.
const QStringList kShellPrefix = {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                                  QStringLiteral("exec \"$0\" \"$@\"")};

QStringList launchArguments(const QStringList& arguments) {
    if (!arguments.isEmpty() && arguments.front().contains(u'%')) {
        return kShellPrefix + arguments;
    }
    return arguments;
}

QStringList programArguments(const QStringList& launched) {
    if (launched.size() > kShellPrefix.size() &&
        launched.mid(0, kShellPrefix.size()) == kShellPrefix) {
        return launched.mid(kShellPrefix.size());
    }
    return launched;
}

QString directory() {
    return configHome() + QStringLiteral("/autostart");
}

bool canHold(const QString& valueName) {
    return !valueName.isEmpty() && !valueName.contains(u'/') && !valueName.contains(QChar(0)) &&
           valueName != u"." && valueName != u"..";
}

QStringList commandArguments(const QString& command) {
    // The usual form: a quoted program, then plain words ("<program>" mini). The program may
    // hold any character, quotes included, so take everything up to the last quote when plain
    // words follow it.
    if (command.startsWith(u'"')) {
        const qsizetype last = command.lastIndexOf(u'"');
        const QString tail = command.mid(last + 1);
        if (last > 0 && !tail.isEmpty() && isBlank(tail.front()) && !tail.trimmed().isEmpty()) {
            QStringList result{command.mid(1, last - 1)};
            for (const QString& word : tail.split(
                     QRegularExpression(QStringLiteral("[ \\t\\r\\n]+")), Qt::SkipEmptyParts)) {
                result.append(word);
            }
            return result;
        }
    }
    // Anything else: blank-separated words, double quotes group and are dropped.
    QStringList result;
    QString current;
    bool inWord = false;
    bool quoted = false;
    for (const QChar c : command) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && isBlank(c)) {
            if (inWord) {
                result.append(current);
                current.clear();
                inWord = false;
            }
        } else {
            current += c;
            inWord = true;
        }
    }
    if (inWord) {
        result.append(current);
    }
    return result;
}

QString commandFromArguments(const QStringList& arguments) {
    if (arguments.isEmpty()) {
        return {};
    }
    QString command = u'"' + arguments.front() + u'"';
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool quote = argument.isEmpty() || argument.contains(u'"') ||
                           std::any_of(argument.begin(), argument.end(), isBlank);
        command += u' ';
        command += quote ? u'"' + argument + u'"' : argument;
    }
    return command;
}

QString execFromArguments(const QStringList& arguments) {
    QStringList parts;
    for (const QString& argument : arguments) {
        QString part;
        if (needsQuoting(argument)) {
            part += u'"';
            for (const QChar c : argument) {
                if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
                    part += u'\\';
                }
                part += c;
            }
            part += u'"';
        } else {
            part = argument;
        }
        part.replace(QStringLiteral("%"), QStringLiteral("%%"));
        parts.append(part);
    }
    return parts.join(u' ');
}

std::optional<QStringList> argumentsFromExec(const QString& exec) {
    QStringList result;
    QString current;
    bool inWord = false;
    const qsizetype n = exec.size();
    // A percent sign: "%%" is a percent sign, a field code expands to nothing, anything else
    // stays as written. Returns how many characters were consumed.
    auto percent = [&](qsizetype i) -> qsizetype {
        if (i + 1 < n && exec[i + 1] == u'%') {
            current += u'%';
            inWord = true;
            return 2;
        }
        if (i + 1 < n && isFieldCode(exec[i + 1])) {
            return 2;
        }
        current += u'%';
        inWord = true;
        return 1;
    };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = exec[i];
        if (isBlank(c)) {
            if (inWord) {
                result.append(current);
                current.clear();
                inWord = false;
            }
            ++i;
        } else if (c == u'"') {
            inWord = true;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar q = exec[i];
                if (q == u'"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (q == u'\\' && i + 1 < n) {
                    current += exec[i + 1];
                    i += 2;
                } else if (q == u'%') {
                    i += percent(i);
                } else {
                    current += q;
                    ++i;
                }
            }
            if (!closed) {
                return std::nullopt;
            }
        } else if (c == u'\'') {
            inWord = true;
            const qsizetype end = exec.indexOf(u'\'', i + 1);
            if (end < 0) {
                return std::nullopt;
            }
            current += exec.mid(i + 1, end - i - 1);
            i = end + 1;
        } else if (c == u'\\' && i + 1 < n) {
            current += exec[i + 1];
            inWord = true;
            i += 2;
        } else if (c == u'%') {
            i += percent(i);
        } else {
            current += c;
            inWord = true;
            ++i;
        }
    }
    if (inWord) {
        result.append(current);
    }
    return result;
}

QString escapeString(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\') {
            out += QStringLiteral("\\\\");
        } else if (c == u'\n') {
            out += QStringLiteral("\\n");
        } else if (c == u'\t') {
            out += QStringLiteral("\\t");
        } else if (c == u'\r') {
            out += QStringLiteral("\\r");
        } else if (c == u' ' && (i == 0 || i == text.size() - 1)) {
            // Readers trim blanks around a value; escaped ones survive.
            out += QStringLiteral("\\s");
        } else {
            out += c;
        }
    }
    return out;
}

QString unescapeString(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        if (next == u's') {
            out += u' ';
        } else if (next == u'n') {
            out += u'\n';
        } else if (next == u't') {
            out += u'\t';
        } else if (next == u'r') {
            out += u'\r';
        } else if (next == u'\\') {
            out += u'\\';
        } else {
            out += c;
            out += next;
        }
    }
    return out;
}

std::optional<Entry> read(const QString& valueName) {
    if (!canHold(valueName)) {
        return std::nullopt;
    }
    const std::optional<Found> found = find(valueName);
    if (!found || !found->ours) {
        return std::nullopt;
    }
    const ParsedFile parsed = parseFile(found->path);
    if (!isOurs(parsed)) {
        return std::nullopt;
    }
    Entry entry;
    bool typeOk = false;
    const uint type = parsed.get(kTypeKey).value_or(QString()).trimmed().toUInt(&typeOk);
    entry.type = typeOk && (type == RegSz || type == RegExpandSz) ? type : RegSz;

    const std::optional<QString> exec = parsed.get(QStringLiteral("Exec"));
    std::optional<QStringList> arguments =
        exec ? argumentsFromExec(unescapeString(*exec)) : std::optional<QStringList>(QStringList{});
    if (arguments) {
        arguments = programArguments(*arguments);
    }
    const std::optional<QString> kept = parsed.get(kCommandKey);
    if (kept) {
        const QString command = unescapeString(*kept);
        if (arguments && commandArguments(command) == *arguments) {
            entry.command = command;
            return entry;
        }
    }
    entry.command = arguments ? commandFromArguments(*arguments) : QString();
    return entry;
}

Status write(const QString& valueName, const QString& command, std::uint32_t type) {
    if (!canHold(valueName)) {
        return InvalidParameter;
    }
    const QString dir = directory();
    if (!QDir().mkpath(dir)) {
        return RegistryIoFailed;
    }
    const std::optional<Found> found = find(valueName);
    if (found && !found->ours) {
        // Another program's entry has this name: leave it alone.
        return AccessDenied;
    }
    const QString path = found ? found->path : QDir(dir).filePath(valueName + kSuffix);

    const QStringList arguments = commandArguments(command);
    QString text = kGroup + u'\n';
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Version=1.4\n");
    text += QStringLiteral("Name=") + escapeString(valueName) + u'\n';
    text += QStringLiteral("Comment=Started at log-on\n");
    if (arguments.isEmpty()) {
        text += QStringLiteral("Hidden=true\n");
    } else {
        text += QStringLiteral("Exec=") +
                escapeString(execFromArguments(launchArguments(arguments))) + u'\n';
        if (QDir::isAbsolutePath(arguments.front())) {
            text += QStringLiteral("TryExec=") + escapeString(arguments.front()) + u'\n';
        }
    }
    text += QStringLiteral("Terminal=false\n");
    text += kTypeKey + u'=' + QString::number(type) + u'\n';
    text += kCommandKey + u'=' + escapeString(command) + u'\n';

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return RegistryIoFailed;
    }
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        return RegistryIoFailed;
    }
    return Success;
}

Status remove(const QString& valueName) {
    if (!canHold(valueName)) {
        return FileNotFound;
    }
    const std::optional<Found> found = find(valueName);
    if (!found || !found->ours) {
        return FileNotFound;
    }
    return QFile::remove(found->path) ? Success : AccessDenied;
}

}  // namespace platform::registry::autostart
