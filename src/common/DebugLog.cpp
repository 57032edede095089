#include "common/DebugLog.h"

#include <cstdio>
#include <map>
#include <mutex>

#include <QDateTime>
#include <QFile>

namespace DebugLog
{
namespace
{
struct TChannel
{
    std::mutex Mutex;
    bool Active = false;
    QString FileName;
    QFile File;
    int NextObserverId = 1;
    std::map<int, std::pair<TObserver, void*>> Observers;
};

TChannel& Channel()
{
    static TChannel channel;
    return channel;
}
} // namespace

void SetActive(bool active)
{
    TChannel& c = Channel();
    const std::lock_guard<std::mutex> lock(c.Mutex);
    c.Active = active;
}

bool IsActive()
{
    TChannel& c = Channel();
    const std::lock_guard<std::mutex> lock(c.Mutex);
    return c.Active;
}

void SetLogFile(const QString& fileName)
{
    TChannel& c = Channel();
    const std::lock_guard<std::mutex> lock(c.Mutex);
    c.File.close();
    c.FileName = fileName;
    if (!fileName.isEmpty()) {
        c.File.setFileName(fileName);
        if (!c.File.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            c.FileName.clear();
    }
}

QString LogFile()
{
    TChannel& c = Channel();
    const std::lock_guard<std::mutex> lock(c.Mutex);
    return c.FileName;
}

void Log(const QString& message)
{
    LogTag(QString(), message);
}

void LogTag(const QString& tag, const QString& message)
{
    TChannel& c = Channel();
    const std::lock_guard<std::mutex> lock(c.Mutex);
    if (!c.Active)
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    const QString line = tag.isEmpty() ? stamp + u' ' + message + u'\n'
                                       : stamp + QStringLiteral(" [") + tag + QStringLiteral("] ") + message + u'\n';
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    if (c.File.isOpen()) {
        c.File.write(bytes);
        c.File.flush();
    }
    for (const auto& [id, observer] : c.Observers)
        observer.first(observer.second, tag, message);
}

int AddObserver(TObserver observer, void* context)
{
    TChannel& c = Channel();
    const std::lock_guard<std::mutex> lock(c.Mutex);
    const int id = c.NextObserverId++;
    c.Observers[id] = {observer, context};
    return id;
}

void RemoveObserver(int id)
{
    TChannel& c = Channel();
    const std::lock_guard<std::mutex> lock(c.Mutex);
    c.Observers.erase(id);
}
} // namespace DebugLog
