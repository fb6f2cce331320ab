#include "platform/log/log.h"

#include <exception>

Q_LOGGING_CATEGORY(lcDao, "quillet.dao")
Q_LOGGING_CATEGORY(lcRegistry, "quillet.registry")
Q_LOGGING_CATEGORY(lcControls, "quillet.controls")
Q_LOGGING_CATEGORY(lcShell, "quillet.shell")
Q_LOGGING_CATEGORY(lcStore, "quillet.store")
Q_LOGGING_CATEGORY(lcServices, "quillet.services")
Q_LOGGING_CATEGORY(lcNote, "quillet.note")
Q_LOGGING_CATEGORY(lcEditor, "quillet.editor")
Q_LOGGING_CATEGORY(lcMain, "quillet.main")
Q_LOGGING_CATEGORY(lcUpdate, "quillet.update")
Q_LOGGING_CATEGORY(lcStartup, "quillet.startup")

namespace platform::log {

QString 异常说明() {
    try {
        throw;
    } catch (const std::exception& 错误) {
        return QString::fromUtf8(错误.what());
    } catch (...) {
        return QStringLiteral("an exception of unknown type");
    }
}

}  // namespace platform::log
