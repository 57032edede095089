#include "TestMainCommon.h"

int main(int argc, char** argv)
{
    PrepareTestProcess(argc, argv);
    QCoreApplication app(argc, argv);
    return RunTestsInEventLoop(app);
}
