#include "common/FileFunctions.h"
