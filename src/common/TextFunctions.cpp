#include "common/TextFunctions.h"
