#include "common/MemIniFile.h"
