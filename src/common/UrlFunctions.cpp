#include "common/UrlFunctions.h"
