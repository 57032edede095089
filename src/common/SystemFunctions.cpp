#include "common/SystemFunctions.h"
