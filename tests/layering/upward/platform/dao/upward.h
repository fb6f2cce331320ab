// SPDX-License-Identifier: MIT
#pragma once

#include "platform/log/log.h"
#include "store/globals.h"
