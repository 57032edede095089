#include "common/DesktopFunctions.h"
