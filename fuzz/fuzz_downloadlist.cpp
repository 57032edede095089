// The saved download list comes from disk: the reader must survive any text, and what it
// reads must come back unchanged through a save and a load.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QString>

#include "common/MemIniFile.h"
#include "download/DownloadListFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemIniFile ini;
    ini.SetText(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const QList<TDownloadListRecord> records = ReadDownloadListRecords(ini);

    TMemIniFile again;
    WriteDownloadListRecords(records, again);
    TMemIniFile reread;
    reread.SetText(again.Text());
    const QList<TDownloadListRecord> back = ReadDownloadListRecords(reread);
    if (back.size() != records.size())
        std::abort();
    for (qsizetype i = 0; i < records.size(); ++i) {
        const TDownloadListRecord& a = records[i];
        const TDownloadListRecord& b = back[i];
        if (a.URL != b.URL || a.FileName != b.FileName || a.Caption != b.Caption || a.State != b.State
            || !(a.RedirectOptions == b.RedirectOptions) || a.Comment.CommaText() != b.Comment.CommaText())
            std::abort();
    }
    return 0;
}
