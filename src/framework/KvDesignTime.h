#pragma once

// Design time: forms are built only to read their designed texts (the harvest of the
// English pack). Then nothing is applied, computed or started: no translation on load,
// no "{AppName}" replacement, no title, no language or skin start-up.
bool KvDesignTime();

// Sets design time for its lifetime.
class TKvDesignTimeScope final
{
public:
    TKvDesignTimeScope();
    ~TKvDesignTimeScope();
    TKvDesignTimeScope(const TKvDesignTimeScope&) = delete;
    TKvDesignTimeScope& operator=(const TKvDesignTimeScope&) = delete;

private:
    bool FPrevious;
};
