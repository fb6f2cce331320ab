// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QLocalServer;
class QLockFile;
class QLocalSocket;

namespace platform::startup {

// One running program per note database. The first start for a database takes its ownership
// lock, a file beside the database, and holds it while it runs; every start on the same file
// meets that lock, whatever its environment (another login, an su shell, a job without a
// runtime folder). The program also listens on a local socket in a folder only its user can
// write; a later start for the same database hands its command-line arguments over there and
// ends. Two folders with databases of their own are two programs. A program that crashed or
// was killed stops no later start: its lock names a process that is gone. Nothing waits in the
// background: the program hears of a later start from its event loop.
class 单一程序 {
  public:
    enum class 结果 {
        首个,      // this start is the program for the database
        已转交,    // the running program took the arguments; this start is to end
        无应答,    // a program runs for the database but did not take them in time
        无法加锁,  // the ownership lock cannot be taken (the folder is not writable, ...)
    };

    // 数据库路径: the database this start works on; names of one file are one database.
    explicit 单一程序(const QString& 数据库路径);
    ~单一程序();
    单一程序(const 单一程序&) = delete;
    单一程序& operator=(const 单一程序&) = delete;

    // Becomes the database's program, or hands 参数 to the one that runs, waiting at most
    // 等待毫秒 for the running program to listen and to answer.
    结果 启动(const QStringList& 参数, int 等待毫秒 = 10000);

    // Receives the arguments of every later start in the order they came; those that came
    // before it was set are passed to it at once.
    void 设置接收(std::function<void(const QStringList&)> 接收);

    // The local socket's name; empty when the user has no private folder for it.
    const QString& 名称() const { return 名称_; }
    // The ownership lock's file, beside the database.
    const QString& 锁文件() const { return 锁文件_; }

  private:
    enum class 转交结果 { 无人, 已转交, 无应答 };
    转交结果 转交(const QStringList& 参数, int 等待毫秒);
    void 监听();
    void 接待(QLocalSocket* 连接);
    void 交付(const QStringList& 参数);

    QString 名称_;
    QString 锁文件_;
    std::unique_ptr<QLockFile> 锁_;
    std::unique_ptr<QLocalServer> 服务_;
    std::function<void(const QStringList&)> 接收_;
    std::vector<QStringList> 待交付_;
};

}  // namespace platform::startup
