#include <QApplication>
#include <QMainWindow>

// Placeholder until the start-up routine exists.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Varnelo"));
    window.show();
    return app.exec();
}
