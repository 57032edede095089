#include "TestMainCommon.h"

#include <QApplication>

int main(int argc, char** argv)
{
    PrepareTestProcess(argc, argv);
    QApplication app(argc, argv);
    return RunTestsInEventLoop(app);
}
