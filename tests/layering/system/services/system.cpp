// SPDX-License-Identifier: MIT
#include "platform/log/log.h"

#ifdef Q_OS_WIN
int 系统 = 1;
#endif
