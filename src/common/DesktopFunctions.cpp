#include "common/DesktopFunctions.h"

#include "common/FileFunctions.h"
#include "common/PathFunctions.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <QWidget>

bool OpenURLInBrowser(QWidget* /*owner*/, const QString& url)
{
    // The address is handed over as a URL, never as part of a command line.
    return QDesktopServices::openUrl(QUrl(url));
}

bool ShellOpenAppFile(QWidget* /*owner*/, const QString& fileName, const QString& /*parameters*/)
{
    const QString path = GetPathRelativeToFile(GetAppFileName(), fileName);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString BrowseForFolder(QWidget* owner, const QString& presetFolder, const QString& title)
{
    return QFileDialog::getExistingDirectory(owner, title, presetFolder, QFileDialog::ShowDirsOnly);
}

void SetWindowTopMost(QWidget* window, bool topMost)
{
    if (!window)
        return;
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    // Changing a window flag hides the window; bring it back where it was.
    if (visible)
        window->show();
}

bool ForceForegroundWindow(QWidget* window)
{
    if (!window)
        return false;
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
    return window->isActiveWindow();
}
