#include "common/SystemFunctions.h"

#include "common/PathFunctions.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <memory>
#include <mutex>
#include <vector>

namespace
{
QString FromEnvironment(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? fallback : value;
}

QString HomeFolder(const char* xdgVariable, const char* underHome)
{
    return FromEnvironment(xdgVariable, QDir::homePath() + u'/' + QLatin1String(underHome));
}

QString RootFolder(ERegRoot root)
{
    if (root == ERegRoot::CurrentUser)
        return FromEnvironment("VARNELO_USER_REG_DIR", HomeFolder("XDG_CONFIG_HOME", ".config"));
    return FromEnvironment("VARNELO_MACHINE_REG_DIR", QStringLiteral("/etc"));
}
} // namespace

QString RegReadString(ERegRoot root, const QString& keyPath, const QString& valueName, const QString& defaultValue)
{
    const QString key = SlashToBackslash(keyPath);
    const QString value = valueName.isEmpty() ? QStringLiteral("@default") : valueName;
    // Neither part may climb out of the root folder.
    if (key.split(u'/').contains(QStringLiteral("..")) || value.contains(u'/') || value == u"..")
        return defaultValue;
    QFile file(IncludeBackslash(RootFolder(root)) + key + u'/' + value);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue;
    return QString::fromUtf8(file.readAll()).trimmed();
}

QString GetShellFolder(const QString& name)
{
    if (name.compare(u"AppData", Qt::CaseInsensitive) == 0)
        return FromEnvironment("VARNELO_APPDATA_DIR", HomeFolder("XDG_DATA_HOME", ".local/share"));
    if (name.compare(u"Desktop", Qt::CaseInsensitive) == 0)
        return FromEnvironment("VARNELO_DESKTOP_DIR",
                               QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    if (name.compare(u"Autostart", Qt::CaseInsensitive) == 0)
        return FromEnvironment("VARNELO_AUTOSTART_DIR", HomeFolder("XDG_CONFIG_HOME", ".config") + QStringLiteral("/autostart"));
    return GetCommonShellFolder(name);
}

QString GetCommonShellFolder(const QString& name)
{
    if (name.compare(u"Common AppData", Qt::CaseInsensitive) == 0)
        return FromEnvironment("VARNELO_COMMON_APPDATA_DIR", QStringLiteral("/var/lib"));
    return QString();
}

bool CheckSingleInstance(const QString& name)
{
    // The lock lives in the per-user runtime folder; a lock left by a crashed process is
    // recognised as stale (its process is gone) and taken over.
    static std::mutex guard;
    static std::vector<std::unique_ptr<QLockFile>> held;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QString safeName = name;
    safeName.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    auto lock = std::make_unique<QLockFile>(folder + u'/' + safeName + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    const std::lock_guard<std::mutex> locked(guard);
    held.push_back(std::move(lock));
    return true;
}
