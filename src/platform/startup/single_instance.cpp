#include "platform/startup/single_instance.h"

#include "platform/log/log.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>

namespace platform::startup {

namespace {

// What the running program answers once it has taken a later start's arguments.
constexpr char 应答 = '\x06';
constexpr QDataStream::Version 流版本 = QDataStream::Qt_6_0;

// Names of one file give one text: links resolved, and on Windows without regard to case.
QString 规范路径(const QString& 路径) {
    const QFileInfo 文件(路径);
    QString 规范 = 文件.canonicalFilePath();
    if (规范.isEmpty()) {
        规范 = 文件.absoluteFilePath();  // not there (yet): the start will say so
    }
#ifdef Q_OS_WIN
    规范 = 规范.toCaseFolded();
#endif
    return 规范;
}

// The user's own folder for the socket and the lock. On Windows the socket is a named pipe
// and the folder only makes its name the user's.
QString 用户目录() {
#ifdef Q_OS_WIN
    return QDir::tempPath();
#else
    const QString 目录 = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return 目录.isEmpty() ? QDir::tempPath() : 目录;
#endif
}

}  // namespace

单一程序::单一程序(const QString& 数据库路径) {
    const QByteArray 摘要 =
        QCryptographicHash::hash(规范路径(数据库路径).toUtf8(), QCryptographicHash::Sha256);
    名称_ = 用户目录() + QStringLiteral("/quillet-") + QString::fromLatin1(摘要.toHex().left(16));
    锁文件_ = 名称_ + QStringLiteral(".lock");
}

单一程序::~单一程序() = default;

单一程序::结果 单一程序::启动(const QStringList& 参数, int 等待毫秒) {
    // Starts at the same moment take turns, so that exactly one of them becomes the program.
    QLockFile 闸(锁文件_);
    if (!闸.tryLock(等待毫秒)) {
        if (闸.error() == QLockFile::LockFailedError) {
            qCWarning(lcStartup) << "another start for the same database held" << 锁文件_ << "for"
                                 << 等待毫秒 << "ms";
            return 结果::无应答;
        }
        qCWarning(lcStartup) << "cannot create the lock file" << 锁文件_ << "(error" << 闸.error()
                             << "); starting without waiting for other starts";
    }
    switch (转交(参数, 等待毫秒)) {
        case 转交结果::已转交:
            return 结果::已转交;
        case 转交结果::无应答:
            qCWarning(lcStartup) << "the program running for the same database did not answer on"
                                 << 名称_ << "within" << 等待毫秒 << "ms";
            return 结果::无应答;
        case 转交结果::无人:
            break;
    }
    监听();
    return 结果::首个;
}

单一程序::转交结果 单一程序::转交(const QStringList& 参数, int 等待毫秒) {
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
    服务_ = std::make_unique<QLocalServer>();
    服务_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket still there belongs to a program that died: the lock keeps live ones out.
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
