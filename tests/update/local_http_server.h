// SPDX-License-Identifier: MIT
#pragma once

// A tiny HTTP/1.1 server on 127.0.0.1 for tests of the update check. Each path gets a handler
// that answers (or deliberately does not) on the raw socket; the server records every request.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

class LocalHttpServer {
  public:
    struct Request {
        QByteArray path;
        QByteArray headers;  // the raw header block
    };
    using Handler = std::function<void(QTcpSocket*)>;

    LocalHttpServer();

    bool listen();  // on 127.0.0.1, a free port
    void close();   // stop accepting: later connections are refused
    QByteArray url(const QByteArray& path) const;

    void on(const QByteArray& path, Handler handler) { handlers_[path] = std::move(handler); }
    // Shorthand for a complete answer with Content-Length; the connection is closed after it
    // unless keepAlive.
    void serve(const QByteArray& path, const QByteArray& body, int status = 200,
               const QByteArray& extraHeaders = {}, bool keepAlive = false);

    const QList<Request>& requests() const { return requests_; }
    int count(const QByteArray& path) const;
    // Connections the client closed while the server still held or was sending data.
    int clientDisconnects() const { return clientDisconnects_; }

    static void answer(QTcpSocket* socket, int status, const QByteArray& body,
                       const QByteArray& extraHeaders = {}, bool withLength = true,
                       bool keepAlive = false);

  private:
    void accept();

    QTcpServer server_;
    quint16 port_ = 0;
    QMap<QByteArray, Handler> handlers_;
    QList<Request> requests_;
    int clientDisconnects_ = 0;
};
