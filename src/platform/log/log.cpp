#include "platform/log/log.h"

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
