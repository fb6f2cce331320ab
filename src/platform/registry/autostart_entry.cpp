// SPDX-License-Identifier: MIT
#include "platform/registry/autostart_entry.h"

#include "platform/log/log.h"
#include "platform/registry/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <glib.h>

#include <algorithm>
#include <memory>

namespace platform::registry {

QString configHome() {
    const QString location =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    // A relative $XDG_CONFIG_HOME would name a folder below wherever the program was started.
    if (!location.isEmpty() && QDir::isAbsolutePath(location)) {
        return QDir::cleanPath(location);
    }
    return QDir::homePath() + QStringLiteral("/.config");
}

}  // namespace platform::registry

namespace platform::registry::autostart {

namespace {

constexpr const char* kGroup = G_KEY_FILE_DESKTOP_GROUP;
constexpr const char* kTypeKey = "X-Quillet-Value-Type";
constexpr const char* kCommandKey = "X-Quillet-Command";
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

struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

// The entry file as GLib reads it; nothing, with a warning, when it cannot be read.
KeyFile parseFile(const QString& path) {
    const std::optional<QByteArray> bytes = readRegularFile(path, kLargestEntry);
    if (!bytes) {
        return {};
    }
    KeyFile file(g_key_file_new());
    GError* error = nullptr;
    if (!g_key_file_load_from_data(file.get(), bytes->constData(),
                                   static_cast<gsize>(bytes->size()), G_KEY_FILE_NONE, &error)) {
        qCWarning(lcRegistry, "%s is not read as a desktop entry: %s", qUtf8Printable(path),
                  GErrorPtr(error)->message);
        return {};
    }
    return file;
}

// A value of the [Desktop Entry] group, its string escapes undone.
std::optional<QString> get(const KeyFile& file, const char* key) {
    gchar* value = g_key_file_get_string(file.get(), kGroup, key, nullptr);
    if (!value) {
        return std::nullopt;
    }
    QString text = QString::fromUtf8(value);
    g_free(value);
    return text;
}

bool isOurs(const KeyFile& file) {
    return file && g_key_file_has_key(file.get(), kGroup, kTypeKey, nullptr);
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
        if (isOurs(parseFile(path))) {
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
    gchar** words = nullptr;
    GError* error = nullptr;
    if (!g_shell_parse_argv(exec.toUtf8().constData(), nullptr, &words, &error)) {
        const GErrorPtr failed(error);
        if (g_error_matches(failed.get(), G_SHELL_ERROR, G_SHELL_ERROR_EMPTY_STRING)) {
            return QStringList();
        }
        return std::nullopt;
    }
    // The field-code step: "%%" is a percent sign, a field code expands to nothing (an argument
    // of field codes alone goes), anything else stays as written.
    QStringList result;
    for (gchar** word = words; *word; ++word) {
        const QString argument = QString::fromUtf8(*word);
        QString expanded;
        bool hadFieldCode = false;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            const bool next = i + 1 < argument.size();
            if (argument[i] == u'%' && next && argument[i + 1] == u'%') {
                expanded += u'%';
                ++i;
            } else if (argument[i] == u'%' && next && isFieldCode(argument[i + 1])) {
                hadFieldCode = true;
                ++i;
            } else {
                expanded += argument[i];
            }
        }
        if (!hadFieldCode || !expanded.isEmpty()) {
            result.append(expanded);
        }
    }
    g_strfreev(words);
    return result;
}

std::optional<Entry> read(const QString& valueName) {
    if (!canHold(valueName)) {
        return std::nullopt;
    }
    const std::optional<Found> found = find(valueName);
    if (!found || !found->ours) {
        return std::nullopt;
    }
    const KeyFile file = parseFile(found->path);
    if (!isOurs(file)) {
        return std::nullopt;
    }
    Entry entry;
    bool typeOk = false;
    const uint type = get(file, kTypeKey).value_or(QString()).trimmed().toUInt(&typeOk);
    entry.type = typeOk && (type == RegSz || type == RegExpandSz) ? type : RegSz;

    // An Exec line that cannot be read starts nothing (a launcher would refuse it too).
    std::optional<QStringList> arguments;
    if (g_key_file_has_key(file.get(), kGroup, "Exec", nullptr)) {
        if (const std::optional<QString> exec = get(file, "Exec")) {
            arguments = argumentsFromExec(*exec);
        }
    } else {
        arguments = QStringList();
    }
    if (arguments) {
        arguments = programArguments(*arguments);
    }
    if (const std::optional<QString> command = get(file, kCommandKey)) {
        if (arguments && commandArguments(*command) == *arguments) {
            entry.command = *command;
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
    const KeyFile entry(g_key_file_new());
    const auto set = [&](const char* key, const QString& value) {
        g_key_file_set_string(entry.get(), kGroup, key, value.toUtf8().constData());
    };
    set("Type", QStringLiteral("Application"));
    set("Version", QStringLiteral("1.4"));
    set("Name", valueName);
    set("Comment", QStringLiteral("Started at log-on"));
    if (arguments.isEmpty()) {
        g_key_file_set_boolean(entry.get(), kGroup, "Hidden", TRUE);
    } else {
        set("Exec", execFromArguments(launchArguments(arguments)));
        if (QDir::isAbsolutePath(arguments.front())) {
            set("TryExec", arguments.front());
        }
    }
    g_key_file_set_boolean(entry.get(), kGroup, "Terminal", FALSE);
    set(kTypeKey, QString::number(type));
    set(kCommandKey, command);
    gsize length = 0;
    gchar* text = g_key_file_to_data(entry.get(), &length, nullptr);
    QByteArray bytes(text, static_cast<qsizetype>(length));
    g_free(text);
    // GLib escapes a tab only at the start of a value; the Desktop Entry rules allow no control
    // character in a value, and "\t" reads back as the same tab.
    bytes.replace('\t', "\\t");

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return RegistryIoFailed;
    }
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
