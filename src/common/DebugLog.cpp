#include "common/DebugLog.h"
