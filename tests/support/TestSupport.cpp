#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << "bytes(" << bytes.size() << ") \"" << bytes.left(200).toPercentEncoding(" /:=&?.,;_-").toStdString()
        << (bytes.size() > 200 ? "..." : "") << '"';
}

namespace TestSupport
{
bool WaitUntil(const std::function<bool()>& pred, int limitMs)
{
    QDeadlineTimer deadline(limitMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void ProcessEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

QByteArray ReadFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString FixturePath(const QString& relative)
{
    return QStringLiteral(VARNELO_FIXTURES_DIR) + u'/' + relative;
}

QString ProgramDir()
{
    return qEnvironmentVariable("VARNELO_TEST_PROGRAM_DIR");
}

QString ResetDataFolders()
{
    static std::unique_ptr<QTemporaryDir> root;
    root = std::make_unique<QTemporaryDir>();
    const QString base = root->path();
    const struct
    {
        const char* variable;
        const char* folder;
    } folders[] = {
        {"HOME", "home"},
        {"XDG_DATA_HOME", "home/.local/share"},
        {"XDG_CONFIG_HOME", "home/.config"},
        {"XDG_CACHE_HOME", "home/.cache"},
        {"VARNELO_APPDATA_DIR", "home/.local/share"},
        {"VARNELO_COMMON_APPDATA_DIR", "machine/var-lib"},
        {"VARNELO_DESKTOP_DIR", "home/Desktop"},
        {"VARNELO_AUTOSTART_DIR", "home/.config/autostart"},
        {"VARNELO_USER_REG_DIR", "home/.config"},
        {"VARNELO_MACHINE_REG_DIR", "machine/etc"},
        {"XDG_RUNTIME_DIR", "runtime"},
    };
    for (const auto& f : folders) {
        const QString path = base + u'/' + QString::fromLatin1(f.folder);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(f.variable, path.toLocal8Bit());
    }
    return base;
}
} // namespace TestSupport
