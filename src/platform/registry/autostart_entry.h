// SPDX-License-Identifier: MIT
#pragma once
// The log-on Run key as XDG autostart entries (Linux only: Windows has the real Run key). The
// files are read and written with GLib's key files, as the session's own launcher reads them.
//
// A string value "<name>" of the Run key is the file $XDG_CONFIG_HOME/autostart/<name>.desktop:
//
//   [Desktop Entry]
//   Type=Application
//   Version=1.4           (1.5 is unknown to older validators, such as Debian 12's)
//   Name=<name>
//   Comment=Started at log-on
//   Exec=<the command, as program and arguments, quoted and escaped by the Desktop Entry rules;
//         a program whose path holds "%" is started as  /bin/sh -c 'exec "$0" "$@"' <program> ...
//         because launchers look for the program before they turn "%%" into "%">
//   TryExec=<the program, when it is an absolute path>
//   Terminal=false
//   X-Quillet-Value-Type=<1 or 2>
//   X-Quillet-Command=<the exact text of the value>
//
// The value's text is split into program and arguments the way a Windows command line of the
// form  "<program>" <argument> ...  reads; the Exec line carries them so that the session starts
// exactly that program with exactly those arguments. X-Quillet-Command keeps the text itself so
// that it reads back character for character; it is trusted only while it still splits into what
// the Exec line says. When someone edits Exec, the value is rebuilt from Exec instead. A text that
// holds no program (empty or blank) is written with Hidden=true and no Exec, so nothing starts.
//
// Only files that carry X-Quillet-Value-Type count as values: other programs' entries in the
// folder are never read as values, never deleted, and never replaced.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

#include "platform/registry/registry.h"

namespace platform::registry {

// $XDG_CONFIG_HOME when it is an absolute path, otherwise ~/.config.
QString configHome();

}  // namespace platform::registry

namespace platform::registry::autostart {

// $XDG_CONFIG_HOME/autostart
QString directory();

// Whether a value of this name can be kept as an entry (it must make a file name).
bool canHold(const QString& valueName);

// Program and arguments of a command line: "<program>" args..., or blank-separated words with
// double quotes grouping.
QStringList commandArguments(const QString& command);
// The command line for a program and its arguments: the program quoted, then the arguments,
// quoted when they hold blanks or quotes.
QString commandFromArguments(const QStringList& arguments);

// The Exec value (before the string escapes) for a program and its arguments, and back: quoted
// with double quotes as the Desktop Entry rules ask; read as a shell would split it (GLib's
// g_shell_parse_argv), then "%%" made a percent sign and field codes dropped (nothing to pass).
// argumentsFromExec returns nothing when quotes are unbalanced.
QString execFromArguments(const QStringList& arguments);
std::optional<QStringList> argumentsFromExec(const QString& exec);

// What Exec starts for a program and its arguments (the shell for a program whose path holds a
// percent sign), and back.
QStringList launchArguments(const QStringList& arguments);
QStringList programArguments(const QStringList& launched);

struct Entry {
    std::uint32_t type = RegSz;
    QString command;
};

// The value kept under this name (compared without regard to case), if there is one.
std::optional<Entry> read(const QString& valueName);
// Writes the value: a new file or the existing entry of this name, atomically.
Status write(const QString& valueName, const QString& command, std::uint32_t type);
// Deletes the value's entry: FileNotFound when there is none.
Status remove(const QString& valueName);

}  // namespace platform::registry::autostart
