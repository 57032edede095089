#pragma once

#include <QString>

class QWidget;

// Desktop integration; these need the GUI and run on the main thread only.

// Opens the address in the user's web browser; false when nothing accepted it.
bool OpenURLInBrowser(QWidget* owner, const QString& url);
// Opens a file (relative paths are taken from the program folder) with its associated
// program. The parameters are not passed on: desktop file associations take none.
bool ShellOpenAppFile(QWidget* owner, const QString& fileName, const QString& parameters);
// The folder picker; empty when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& presetFolder, const QString& title);
// Puts the window into (or out of) the always-on-top band without moving it.
void SetWindowTopMost(QWidget* window, bool topMost);
// Restores, shows, raises and activates the window; true when it is now active.
bool ForceForegroundWindow(QWidget* window);
