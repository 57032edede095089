#include "common/MainThread.h"
