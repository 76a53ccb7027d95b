#pragma once

#include "tqtool/types.h"
