#pragma once

#include <functional>
#include <optional>

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// Requests between copies of the program. A running copy listens on a local socket named
// for its main-form class, "App.GUID" and the user; a second copy connects, sends one
// request and reads one answer.
//
// Wire format, both ways: a frame is a 4-byte big-endian byte count followed by that many
// bytes of UTF-8. A request frame holds the request name, a line break and the request's text
// (the handed-over text for Kv CopyData, else empty); an answer frame holds a decimal integer.
namespace KvRequest
{
inline const QString GetAppID = QStringLiteral("Kv GetAppID");
inline const QString CloseApp = QStringLiteral("Kv CloseApp");
inline const QString IfBusy = QStringLiteral("Kv IfBusy");
inline const QString BringtoFront = QStringLiteral("Kv BringtoFront");
// Only the running copy can raise its own window here, so the second copy asks it to.
inline const QString ForceForeground = QStringLiteral("Kv ForceForeground");
// The hand-over of the second copy's first argument.
inline const QString CopyData = QStringLiteral("Kv CopyData");
} // namespace KvRequest

// How the running copy answers. An empty handler answers 0 (and does nothing).
struct TKvInstanceHandlers
{
    std::function<int()> OnGetAppID;
    // Runs after the answer went out.
    std::function<void()> OnCloseApp;
    std::function<int()> OnIfBusy;
    std::function<int()> OnBringtoFront;
    std::function<int()> OnForceForeground;
    // Queued: runs from the event loop after the second copy got its answer. Every
    // hand-over is also logged as "CmdParam: " + the text.
    std::function<void(const QString& fileName)> OnCmdParam;
};

// The socket name for a main-form class and application GUID, unique per user.
QString InstanceChannelName(const QString& className, const QString& appGuid);

// The answering side, living on the user-interface thread.
class TKvInstanceServer final : public QObject
{
    Q_OBJECT

public:
    explicit TKvInstanceServer(QObject* parent = nullptr);
    ~TKvInstanceServer() override;
    Q_DISABLE_COPY_MOVE(TKvInstanceServer)

    // Starts answering. A socket left behind by a copy that died is replaced; false when a
    // live copy already answers on that name or the socket cannot be made.
    bool Listen(const QString& name);
    bool IsListening() const;

    TKvInstanceHandlers Handlers;

private:
    void AcceptConnections();
    void ReadRequest(QLocalSocket* socket);
    int Answer(const QString& request, const QString& data);

    QLocalServer* FServer;
};

// Sends one request to the copy listening on name and waits for its answer; none when
// nobody answers in time or the answer is malformed.
std::optional<int> SendInstanceRequest(const QString& name, const QString& request, const QString& data = QString(),
                                       int timeoutMs = 5000);
