#include "framework/KvInstanceChannel.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTimer>
#include <QVariant>
#include <QtEndian>

#include "common/DebugLog.h"

namespace
{
// Larger than any path; a longer frame is refused before it is buffered.
constexpr quint32 KMaxFrame = 64 * 1024;
// A client that neither finishes its request nor leaves is dropped after this.
constexpr int KRequestTimeoutMs = 10000;

QByteArray EncodeFrame(const QString& text)
{
    const QByteArray payload = text.toUtf8();
    QByteArray frame(4, '\0');
    qToBigEndian(static_cast<quint32>(payload.size()), frame.data());
    return frame + payload;
}

enum class EFrame
{
    Incomplete,
    Complete,
    Bad,
};

// Takes one whole frame off the front of buffer.
EFrame TakeFrame(QByteArray& buffer, QByteArray& payload)
{
    if (buffer.size() < 4)
        return EFrame::Incomplete;
    const quint32 size = qFromBigEndian<quint32>(buffer.constData());
    if (size > KMaxFrame)
        return EFrame::Bad;
    if (static_cast<quint32>(buffer.size()) < 4 + size)
        return EFrame::Incomplete;
    payload = buffer.mid(4, size);
    buffer.remove(0, 4 + size);
    return EFrame::Complete;
}

int Call(const std::function<int()>& handler)
{
    return handler ? handler() : 0;
}
} // namespace

QString InstanceChannelName(const QString& className, const QString& appGuid)
{
    QString cls = className;
    cls.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")), QStringLiteral("_"));
    // Hashed, so any GUID text gives a short, safe socket name.
    const QByteArray hash = QCryptographicHash::hash(appGuid.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("kv-%1-%2-%3").arg(cls, QString::fromLatin1(hash)).arg(::getuid());
}

TKvInstanceServer::TKvInstanceServer(QObject* parent) : QObject(parent), FServer(new QLocalServer(this))
{
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer, &QLocalServer::newConnection, this, &TKvInstanceServer::AcceptConnections);
}

TKvInstanceServer::~TKvInstanceServer() = default;

bool TKvInstanceServer::Listen(const QString& name)
{
    // Listening replaces whatever has the name, so a live copy must be asked first.
    if (SendInstanceRequest(name, KvRequest::GetAppID, QString(), 2000))
        return false;
    // Nobody answers: anything left there is from a copy that ended without cleaning up.
    QLocalServer::removeServer(name);
    return FServer->listen(name);
}

bool TKvInstanceServer::IsListening() const
{
    return FServer->isListening();
}

void TKvInstanceServer::AcceptConnections()
{
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        QTimer::singleShot(KRequestTimeoutMs, socket, [socket] { socket->abort(); });
        // Data may have arrived with the connection.
        if (socket->bytesAvailable() > 0)
            ReadRequest(socket);
    }
}

void TKvInstanceServer::ReadRequest(QLocalSocket* socket)
{
    QByteArray buffer = socket->property("kvBuffer").toByteArray() + socket->readAll();
    QByteArray payload;
    const EFrame state = TakeFrame(buffer, payload);
    if (state == EFrame::Incomplete) {
        socket->setProperty("kvBuffer", buffer);
        return;
    }
    socket->setProperty("kvBuffer", QVariant());
    if (state == EFrame::Bad) {
        socket->abort();
        return;
    }
    const QString text = QString::fromUtf8(payload);
    const qsizetype lineBreak = text.indexOf(u'\n');
    const QString request = lineBreak < 0 ? text : text.left(lineBreak);
    const QString data = lineBreak < 0 ? QString() : text.mid(lineBreak + 1);
    const int answer = Answer(request, data);
    socket->write(EncodeFrame(QString::number(answer)));
    socket->flush();
    socket->disconnectFromServer();
    if (request == KvRequest::CloseApp && Handlers.OnCloseApp)
        Handlers.OnCloseApp();
}

int TKvInstanceServer::Answer(const QString& request, const QString& data)
{
    if (request == KvRequest::GetAppID)
        return Call(Handlers.OnGetAppID);
    if (request == KvRequest::IfBusy)
        return Call(Handlers.OnIfBusy);
    if (request == KvRequest::BringtoFront)
        return Call(Handlers.OnBringtoFront);
    if (request == KvRequest::ForceForeground)
        return Call(Handlers.OnForceForeground);
    if (request == KvRequest::CopyData) {
        DebugLog::LogTag(QStringLiteral("KvMain"), QStringLiteral("CmdParam: ") + data);
        QMetaObject::invokeMethod(
            this,
            [this, data] {
                if (Handlers.OnCmdParam)
                    Handlers.OnCmdParam(data);
            },
            Qt::QueuedConnection);
        return 0;
    }
    if (request != KvRequest::CloseApp)
        DebugLog::LogTag(QStringLiteral("KvMain"), QStringLiteral("Unknown request: ") + request.left(80));
    return 0;
}

std::optional<int> SendInstanceRequest(const QString& name, const QString& request, const QString& data, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return std::nullopt;
    socket.write(EncodeFrame(request + u'\n' + data));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return std::nullopt;
    QByteArray buffer;
    QByteArray payload;
    for (;;) {
        buffer += socket.readAll();
        const EFrame state = TakeFrame(buffer, payload);
        if (state == EFrame::Bad)
            return std::nullopt;
        if (state == EFrame::Complete)
            break;
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            buffer += socket.readAll();
            if (TakeFrame(buffer, payload) == EFrame::Complete)
                break;
            return std::nullopt;
        }
    }
    bool ok = false;
    const int answer = payload.toInt(&ok);
    return ok ? std::optional<int>(answer) : std::nullopt;
}
