#include "net/FilePostGen.h"

#include <QFile>
#include <QFileInfo>

#include "common/NameValueList.h"
#include "common/TextFunctions.h"
#include "common/UrlFunctions.h"

namespace
{
const QString KBoundary = QStringLiteral("---------------------------989989989");
const QString KCrLf = QStringLiteral("\r\n");

QString ContentTypeLine(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toUpper();
    if (ext == u"JPG" || ext == u"JPEG")
        return QStringLiteral("Content-Type: image/pjpeg");
    if (ext == u"PNG")
        return QStringLiteral("Content-Type: image/x-png");
    if (ext == u"PDF")
        return QStringLiteral("Content-Type: application/pdf");
    if (ext == u"HTML")
        return QStringLiteral("Content-Type: text/html");
    return {};
}
} // namespace

void TFilePostGen::Make(const TNameValueList& slValues, const TNameValueList* slFiles)
{
    QString body;
    for (int i = 0; i < slValues.Count(); ++i) {
        body += QStringLiteral("--") + KBoundary + KCrLf;
        body += QStringLiteral("Content-Disposition: form-data; name=\"") + slValues.Names(i) + u'"' + KCrLf;
        body += KCrLf;
        body += EncodeURLTextAnsi(slValues.ValueFromIndex(i)) + KCrLf;
    }
    if (slFiles) {
        for (int i = 0; i < slFiles->Count(); ++i) {
            const QString path = slFiles->ValueFromIndex(i);
            body += QStringLiteral("--") + KBoundary + KCrLf;
            body += QStringLiteral("Content-Disposition: form-data; name=\"") + slFiles->Names(i) + QStringLiteral("\"; filename=\"") + path +
                    u'"' + KCrLf;
            if (path.isEmpty()) {
                body += QStringLiteral("Content-Transfer-Encoding: binary") + KCrLf + KCrLf;
                continue;
            }
            const QString typeLine = ContentTypeLine(path);
            if (!typeLine.isEmpty())
                body += typeLine + KCrLf;
            body += KCrLf;
            // An unreadable file is sent as an empty part rather than failing the whole form.
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                body += FromAnsi(file.readAll());
            body += KCrLf;
        }
        body += QStringLiteral("--") + KBoundary + QStringLiteral("--") + KCrLf;
    }
    FPostData = body;
    FHeaders = QStringLiteral("Content-Type: multipart/form-data; boundary=") + KBoundary;
}
