// SPDX-License-Identifier: MIT
#include "platform/startup/single_instance.h"

#include "platform/log/log.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform::startup {

namespace {

// What the running program answers once it has taken a later start's arguments.
constexpr char 应答 = '\x06';
constexpr QDataStream::Version 流版本 = QDataStream::Qt_6_0;

// The file's own name, links resolved.
QString 规范路径(const QString& 路径) {
    const QFileInfo 文件(路径);
    const QString 规范 = 文件.canonicalFilePath();
    return 规范.isEmpty() ? 文件.absoluteFilePath()  // not there (yet): the start will say so
                          : 规范;
}

// Names of one file give one key: on Windows without regard to case. (The lock file keeps the
// file's own spelling: the file system itself finds it under any spelling.)
QString 路径键(const QString& 规范) {
#ifdef Q_OS_WIN
    return 规范.toCaseFolded();
#else
    return 规范;
#endif
}

#ifndef Q_OS_WIN
// A folder that only this user can enter and write: a directory itself (not a link), owned by
// the user, with no access for anyone else.
bool 是私有目录(const QString& 目录) {
    struct stat 状态 {};
    if (::lstat(QFile::encodeName(目录).constData(), &状态) != 0) {
        return false;
    }
    return S_ISDIR(状态.st_mode) && 状态.st_uid == ::geteuid() && (状态.st_mode & 077) == 0;
}
#endif

// The user's own folder for the socket: the runtime folder, else a folder of the user's in the
// temporary folder, created private; empty when neither is the user's alone (a folder that
// another user can write lets that user put a socket of theirs in its place). On Windows the
// socket is a named pipe and the folder only makes its name the user's.
QString 用户目录() {
#ifdef Q_OS_WIN
    return QDir::tempPath();
#else
    const QString 运行 = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!运行.isEmpty() && 是私有目录(运行)) {
        return 运行;
    }
    const QString 自有 =
        QDir::tempPath() + QStringLiteral("/quillet-") + QString::number(::geteuid());
    if (::mkdir(QFile::encodeName(自有).constData(), 0700) != 0 && errno != EEXIST) {
        qCWarning(lcStartup) << "cannot create the folder" << 自有 << ":" << std::strerror(errno);
        return {};
    }
    if (!是私有目录(自有)) {
        qCWarning(lcStartup) << 自有 << "is not a folder of this user's alone: later starts"
                             << "will not hand their arguments to this program";
        return {};
    }
    return 自有;
#endif
}

}  // namespace

单一程序::单一程序(const QString& 数据库路径) {
    const QString 规范 = 规范路径(数据库路径);
    const QByteArray 摘要 =
        QCryptographicHash::hash(路径键(规范).toUtf8(), QCryptographicHash::Sha256);
    if (const QString 目录 = 用户目录(); !目录.isEmpty()) {
        名称_ = 目录 + QStringLiteral("/quillet-") + QString::fromLatin1(摘要.toHex().left(16));
    }
    锁文件_ = 规范 + QStringLiteral(".lock");
    锁_ = std::make_unique<QLockFile>(锁文件_);
    // Held for the program's whole life: only a process that is gone leaves it stale.
    锁_->setStaleLockTime(0);
}

单一程序::~单一程序() = default;

单一程序::结果 单一程序::启动(const QStringList& 参数, int 等待毫秒) {
    QDeadlineTimer 期限(等待毫秒);
    for (;;) {
        if (锁_->tryLock(0)) {
            监听();
            return 结果::首个;
        }
        if (锁_->error() != QLockFile::LockFailedError) {
            qCWarning(lcStartup) << "cannot take the lock" << 锁文件_ << "(error" << 锁_->error()
                                 << "); not starting a second program on the database";
            return 结果::无法加锁;
        }
        // A program runs for the database: hand the arguments over. One that is still starting
        // may not listen yet, and one that is ending closes without an answer and then lets go
        // of the lock: both are waited for.
        switch (转交(参数, static_cast<int>(std::max<qint64>(期限.remainingTime(), 1)))) {
            case 转交结果::已转交:
                return 结果::已转交;
            case 转交结果::无应答:
                qCWarning(lcStartup) << "the program running for the same database did not"
                                     << "answer on" << 名称_ << "within" << 等待毫秒 << "ms";
                return 结果::无应答;
            case 转交结果::无人:
                break;
        }
        if (期限.hasExpired()) {
            qCWarning(lcStartup) << "a program holds" << 锁文件_ << "but cannot be reached on"
                                 << 名称_ << "(another login or environment?) within" << 等待毫秒
                                 << "ms";
            return 结果::无应答;
        }
        QThread::msleep(50);
    }
}

单一程序::转交结果 单一程序::转交(const QStringList& 参数, int 等待毫秒) {
    if (名称_.isEmpty()) {
        return 转交结果::无人;
    }
    QLocalSocket 连接;
    QEventLoop 循环;
    QTimer 时限;
    时限.setSingleShot(true);
    bool 已应答 = false;
    bool 已超时 = false;
    bool 已结束 = false;
    const auto 结束 = [&] {
        已结束 = true;
        循环.quit();
    };
    QObject::connect(&连接, &QLocalSocket::connected, [&] {
        QByteArray 数据;
        QDataStream 流(&数据, QIODevice::WriteOnly);
        流.setVersion(流版本);
        流 << 参数;
        连接.write(数据);
    });
    QObject::connect(&连接, &QLocalSocket::readyRead, [&] {
        已应答 = 连接.readAll().contains(应答);
        结束();
    });
    // A program that is ending closes the connection: on Linux an error, on Windows (a named
    // pipe) only a disconnection.
    QObject::connect(&连接, &QLocalSocket::errorOccurred, 结束);
    QObject::connect(&连接, &QLocalSocket::disconnected, 结束);
    QObject::connect(&时限, &QTimer::timeout, [&] {
        已超时 = true;
        结束();
    });
    连接.connectToServer(名称_);
    // A missing or dead server is known at once; otherwise the answer comes through the loop.
    if (!已结束 && 连接.state() != QLocalSocket::UnconnectedState) {
        时限.start(等待毫秒);
        循环.exec();
    }
    if (已应答) {
        连接.disconnectFromServer();
        return 转交结果::已转交;
    }
    // A program that closes the connection without an answer has just ended: this start
    // takes its place.
    return 已超时 ? 转交结果::无应答 : 转交结果::无人;
}

void 单一程序::监听() {
    if (名称_.isEmpty()) {
        return;  // told when the folder was refused
    }
    服务_ = std::make_unique<QLocalServer>();
    服务_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket still there belongs to a program that died: the lock keeps live ones out, and
    // the folder is the user's alone.
    QLocalServer::removeServer(名称_);
    if (!服务_->listen(名称_)) {
        qCWarning(lcStartup) << "cannot listen on" << 名称_ << ":" << 服务_->errorString()
                             << "- later starts for this database will not find this program";
        return;
    }
    QObject::connect(服务_.get(), &QLocalServer::newConnection, [this] {
        while (QLocalSocket* 连接 = 服务_->nextPendingConnection()) {
            接待(连接);
        }
    });
}

void 单一程序::接待(QLocalSocket* 连接) {
    QObject::connect(连接, &QLocalSocket::disconnected, 连接, &QObject::deleteLater);
    QObject::connect(连接, &QLocalSocket::readyRead, 连接, [this, 连接] {
        QDataStream 流(连接);
        流.setVersion(流版本);
        流.startTransaction();
        QStringList 参数;
        流 >> 参数;
        if (!流.commitTransaction()) {
            return;  // the rest is still on its way
        }
        连接->write(&应答, 1);
        连接->flush();
        交付(参数);
    });
}

void 单一程序::设置接收(std::function<void(const QStringList&)> 接收) {
    接收_ = std::move(接收);
    std::vector<QStringList> 早到;
    早到.swap(待交付_);
    for (const QStringList& 参数 : 早到) {
        交付(参数);
    }
}

void 单一程序::交付(const QStringList& 参数) {
    if (接收_) {
        接收_(参数);
    } else {
        待交付_.push_back(参数);
    }
}

}  // namespace platform::startup
