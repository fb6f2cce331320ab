// SPDX-License-Identifier: MIT
// The program may end while its update check is still running: waiting for the server, or
// with the question open. Ending must leave no question on screen and must not crash (the
// sanitizer build also checks for leaks and use after free).

#include "local_http_server.h"
#include "update/update.h"
#include "update_test_support.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

namespace {

// Starts a check, ends the event loop once it has reached the given stage, then destroys the
// application. Returns an error text, or nothing.
const char* endWhileChecking(int argc, char** argv, bool withQuestion) {
    QApplication app(argc, argv);
    LocalHttpServer server;
    if (!server.listen()) {
        return "cannot listen";
    }
    if (withQuestion) {
        server.serve("/list", "version=999\nurl=http://127.0.0.1:9/download\n");
    } else {
        server.on("/list", [](QTcpSocket*) {});  // never answers
    }
    const QByteArray url = server.url("/list");
    if (DoUpdate(0, url.constData()) != 1) {
        return "the check did not start";
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (withQuestion ? visibleQuestion() != nullptr : server.count("/list") == 1) {
            QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
            poll.stop();
        }
    });
    poll.start(20);
    QTimer::singleShot(8000, [] { QCoreApplication::exit(2); });
    if (app.exec() != 0) {
        return "the check never reached the stage to end at";
    }
    if (visibleQuestion() != nullptr) {
        return "the question outlived the event loop";
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    int failures = 0;
    for (const bool withQuestion : {false, true}) {
        if (const char* error = endWhileChecking(argc, argv, withQuestion)) {
            std::fprintf(stderr, "FAIL (%s): %s\n",
                         withQuestion ? "question open" : "waiting for the server", error);
            ++failures;
        }
    }
    std::puts(failures == 0 ? "PASS" : "FAIL");
    return failures == 0 ? 0 : 1;
}
