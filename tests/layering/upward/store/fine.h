#pragma once

#include "platform/dao/dao.h"
