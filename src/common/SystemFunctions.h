#pragma once

#include <QString>

// Stand-ins for the operating system's stores of per-user and machine-wide values.
// Each location can be redirected by an environment variable so tests never touch
// the real ones:
//   "AppData"        $VARNELO_APPDATA_DIR, else $XDG_DATA_HOME, else ~/.local/share
//   "Common AppData" $VARNELO_COMMON_APPDATA_DIR, else /var/lib
//   "Desktop"        $VARNELO_DESKTOP_DIR, else the desktop folder of the session
//   "Autostart"      $VARNELO_AUTOSTART_DIR, else $XDG_CONFIG_HOME/autostart
enum class ERegRoot
{
    CurrentUser,  // $VARNELO_USER_REG_DIR, else $XDG_CONFIG_HOME (~/.config)
    LocalMachine, // $VARNELO_MACHINE_REG_DIR, else /etc
};

// A stored value: the text of the file <root folder>/<keyPath>/<valueName> (an empty value
// name reads "@default"), trimmed. Any failure gives defaultValue.
QString RegReadString(ERegRoot root, const QString& keyPath, const QString& valueName,
                      const QString& defaultValue);
// The named folder of the current user ("AppData", "Desktop", "Autostart"), falling back
// to the machine's; empty for an unknown name.
QString GetShellFolder(const QString& name);
// The named machine-wide folder ("Common AppData"); empty for an unknown name.
QString GetCommonShellFolder(const QString& name);

// Takes the single-instance lock of that name for the life of the process.
// False when another live process holds it.
bool CheckSingleInstance(const QString& name);
