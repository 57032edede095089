#include "app/uMain.h"
#include "framework/KvMainGui.h"

int main(int argc, char** argv)
{
    TKvGuiStart start;
    start.CreateMainForm = [] { return new TfrmMain; };
    return RunGuiApplication(argc, argv, start);
}
