// SPDX-License-Identifier: MIT
#pragma once

#include "platform/dao/dao.h"
