#include "common/PathFunctions.h"
