// Feeds a template and a recording to TBrimTpl. Input: template text, a NUL byte, then the
// recording as commands: 'b' + name byte begins a block, 'e' ends one, 'v' + name byte
// records a variable whose value is the text up to the next ';'. Broken templates and too
// deep recordings end in ETplError; everything else renders, the same way twice.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QString>

#include "search/BrimTpl.h"

namespace
{
QString NameFor(char c)
{
    static const char* names[] = {"youtube", "pages", "a", "B", "YT_TITLE", "id", "x_1", "Youtube"};
    return QString::fromLatin1(names[static_cast<unsigned char>(c) % 8]);
}

void Record(TBrimTpl& tpl, const QByteArray& script)
{
    for (qsizetype i = 0; i + 1 < script.size(); i += 2) {
        const char op = script[i];
        const QString name = NameFor(script[i + 1]);
        if (op == 'b') {
            tpl.BeginBlock(name);
        } else if (op == 'e') {
            tpl.EndBlock(name);
        } else if (op == 'v') {
            qsizetype end = script.indexOf(';', i + 2);
            if (end < 0)
                end = script.size();
            tpl.SetVar(name, QString::fromUtf8(script.mid(i + 2, end - i - 2)));
            i = end - 1;
        }
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = bytes.indexOf('\0');
    const QByteArray templateText = split < 0 ? bytes : bytes.left(split);
    const QByteArray script = split < 0 ? QByteArray() : bytes.mid(split + 1);
    TBrimTpl tpl;
    tpl.SetTplText(QString::fromUtf8(templateText));
    try {
        Record(tpl, script);
        tpl.MakeHtml();
    } catch (const ETplError&) {
        return 0;
    }
    const QString first = tpl.OutPutHtml();
    tpl.MakeHtml();
    if (tpl.OutPutHtml() != first)
        std::abort();
    return 0;
}
