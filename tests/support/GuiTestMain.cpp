#include "TestMainCommon.h"

#include <QApplication>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    PrepareTestProcess(argc, argv);
    QApplication app(argc, argv);
    return RunTestsInEventLoop(app);
}
