// SPDX-License-Identifier: MIT
#include "local_http_server.h"

#include <QHostAddress>

LocalHttpServer::LocalHttpServer() {
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
}

bool LocalHttpServer::listen() {
    if (!server_.listen(QHostAddress::LocalHost, 0)) {
        return false;
    }
    port_ = server_.serverPort();
    return true;
}

void LocalHttpServer::close() {
    server_.close();
}

QByteArray LocalHttpServer::url(const QByteArray& path) const {
    return "http://127.0.0.1:" + QByteArray::number(port_) + path;
}

int LocalHttpServer::count(const QByteArray& path) const {
    int n = 0;
    for (const Request& r : requests_) {
        n += r.path == path ? 1 : 0;
    }
    return n;
}

void LocalHttpServer::serve(const QByteArray& path, const QByteArray& body, int status,
                            const QByteArray& extraHeaders, bool keepAlive) {
    on(path, [=](QTcpSocket* s) { answer(s, status, body, extraHeaders, true, keepAlive); });
}

void LocalHttpServer::answer(QTcpSocket* socket, int status, const QByteArray& body,
                             const QByteArray& extraHeaders, bool withLength, bool keepAlive) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) +
                      " X\r\nConnection: " + (keepAlive ? "keep-alive" : "close") + "\r\n";
    if (withLength) {
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    const QByteArray all = head + extraHeaders + "\r\n" + body;
    socket->setProperty("toSend", socket->property("toSend").toLongLong() + all.size());
    socket->write(all);
    if (keepAlive) {
        socket->setProperty("keepAlive", true);
    } else {
        socket->disconnectFromHost();  // after the pending data is written
    }
}

void LocalHttpServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        auto done = std::make_shared<bool>(false);
        // A connection counts as closed by the client when it ends before the server has
        // answered, or before the whole answer went out.
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket](qint64 n) {
            socket->setProperty("sent", socket->property("sent").toLongLong() + n);
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            const QVariant toSend = socket->property("toSend");
            if (!toSend.isValid() || socket->property("sent").toLongLong() < toSend.toLongLong()) {
                ++clientDisconnects_;
            }
            socket->deleteLater();
        });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [=, this] {
            *buffer += socket->readAll();
            // Requests on a kept-alive connection are answered one after the other.
            while (!*done) {
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0) {
                    return;
                }
                *done = true;
                const QByteArray head = buffer->left(end);
                buffer->remove(0, end + 4);
                const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
                const QByteArray path = words.size() >= 2 ? words[1] : QByteArray();
                requests_.append({path, head});
                socket->setProperty("keepAlive", false);
                const auto handler = handlers_.constFind(path);
                if (handler != handlers_.constEnd()) {
                    (*handler)(socket);
                } else {
                    answer(socket, 404, "not found");
                }
                if (socket->property("keepAlive").toBool()) {
                    *done = false;
                }
            }
            buffer->clear();
        });
    }
}
