#include "download/DownloadListFile.h"

#include <algorithm>

#include "common/MemIniFile.h"
#include "common/TextFunctions.h"

namespace
{
const QString KGlobal = QStringLiteral("Global");
const QString KItemCount = QStringLiteral("ItemCount");
const QString KURL = QStringLiteral("URL");
const QString KFileName = QStringLiteral("FileName");
const QString KCaption = QStringLiteral("Caption");
const QString KComment = QStringLiteral("Comment");
const QString KState = QStringLiteral("State");
const QString KINeedRedirect = QStringLiteral("INeedRedirect");
const QString KRedirectTheme = QStringLiteral("RedirectTheme");
const QString KRedirectURL = QStringLiteral("RedirectURL");

// An INI value is one line: a line break inside a value (a scraped title may hold one)
// would cut the rest of the task's data off, so it is written as a blank.
QString OneLine(QString value)
{
    for (QChar& c : value)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    return value;
}

ERedirectTheme ThemeFromInt(int value)
{
    switch (value) {
    case KDirect:
        return KDirect;
    case KCustom:
        return KCustom;
    default:
        return KYouTube;
    }
}
} // namespace

void WriteDownloadListRecords(const QList<TDownloadListRecord>& records, TMemIniFile& ini)
{
    ini.WriteInteger(KGlobal, KItemCount, static_cast<int>(records.size()));
    for (int i = 0; i < records.size(); ++i) {
        const TDownloadListRecord& r = records[i];
        const QString section = QString::number(i);
        ini.WriteString(section, KURL, OneLine(r.URL));
        ini.WriteString(section, KFileName, OneLine(r.FileName));
        ini.WriteString(section, KCaption, OneLine(r.Caption));
        ini.WriteString(section, KComment, OneLine(r.Comment.CommaText()));
        ini.WriteInteger(section, KState, r.State);
        ini.WriteBool(section, KINeedRedirect, r.RedirectOptions.YesINeedRedirect);
        ini.WriteInteger(section, KRedirectTheme, r.RedirectOptions.RedirectTheme);
        ini.WriteString(section, KRedirectURL, OneLine(r.RedirectOptions.RedirectURL));
    }
}

QList<TDownloadListRecord> ReadDownloadListRecords(const TMemIniFile& ini)
{
    QList<TDownloadListRecord> records;
    // A count larger than the file's sections would only make empty tasks (or a long loop).
    const qsizetype sections = ini.ReadSections().size();
    const qsizetype count = std::min<qsizetype>(ini.ReadInteger(KGlobal, KItemCount, 0), sections);
    for (int i = 0; i < count; ++i) {
        const QString section = QString::number(i);
        // One look-up per section: a list of a thousand tasks loads in a blink.
        const TNameValueList values(ini.ReadSectionValues(section));
        if (values.IsEmpty() && !ini.SectionExists(section))
            continue;
        auto integer = [&values](const QString& key, int defaultValue) {
            return SafeStrToInt(values.Values(key), defaultValue);
        };
        TDownloadListRecord r;
        r.URL = values.Values(KURL);
        r.FileName = values.Values(KFileName);
        r.Caption = values.Values(KCaption);
        r.Comment.SetCommaText(values.Values(KComment));
        r.State = integer(KState, KReady) == KFinished ? KFinished : KReady;
        r.RedirectOptions.YesINeedRedirect = integer(KINeedRedirect, 0) != 0;
        r.RedirectOptions.RedirectTheme = ThemeFromInt(integer(KRedirectTheme, KYouTube));
        r.RedirectOptions.RedirectURL = values.Values(KRedirectURL);
        records.append(r);
    }
    return records;
}
