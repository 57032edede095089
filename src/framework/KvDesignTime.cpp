#include "framework/KvDesignTime.h"

namespace
{
// Only the user-interface thread builds forms.
bool GDesignTime = false;
} // namespace

bool KvDesignTime()
{
    return GDesignTime;
}

TKvDesignTimeScope::TKvDesignTimeScope() : FPrevious(GDesignTime)
{
    GDesignTime = true;
}

TKvDesignTimeScope::~TKvDesignTimeScope()
{
    GDesignTime = FPrevious;
}
