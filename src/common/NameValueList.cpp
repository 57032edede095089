#include "common/NameValueList.h"
