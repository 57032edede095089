#include "search/BrimTpl.h"

#include <QFile>
#include <QStringDecoder>

namespace
{
enum class EMarker { KVariable, KBegin, KEnd };

struct TMarker
{
    EMarker Kind = EMarker::KVariable;
    qsizetype Start = 0; // position of the marker's first character
    qsizetype End = 0;   // position just behind it
    QString Name;
};

bool IsAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsNameChar(QChar c)
{
    return IsAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_';
}

// Length of the run of name characters starting at from.
qsizetype NameLength(const QString& text, qsizetype from)
{
    qsizetype n = 0;
    while (from + n < text.size() && IsNameChar(text[from + n]))
        ++n;
    return n;
}

// Matches "{NAME}" at position at.
bool VariableAt(const QString& text, qsizetype at, TMarker& marker)
{
    if (at + 2 >= text.size() || !IsAsciiLetter(text[at + 1]))
        return false;
    const qsizetype n = NameLength(text, at + 1);
    if (at + 1 + n >= text.size() || text[at + 1 + n] != u'}')
        return false;
    marker = {EMarker::KVariable, at, at + n + 2, text.mid(at + 1, n)};
    return true;
}

// Matches "<!-- begin block NAME -->" or "<!-- end block NAME -->" at position at.
bool BlockAt(const QString& text, qsizetype at, TMarker& marker)
{
    static const QString begin = QStringLiteral("<!-- begin block ");
    static const QString end = QStringLiteral("<!-- end block ");
    static const QString close = QStringLiteral(" -->");
    const QStringView rest = QStringView(text).mid(at);
    EMarker kind;
    qsizetype nameStart;
    if (rest.startsWith(begin, Qt::CaseInsensitive)) {
        kind = EMarker::KBegin;
        nameStart = at + begin.size();
    } else if (rest.startsWith(end, Qt::CaseInsensitive)) {
        kind = EMarker::KEnd;
        nameStart = at + end.size();
    } else {
        return false;
    }
    const qsizetype n = NameLength(text, nameStart);
    if (n == 0 || !QStringView(text).mid(nameStart + n).startsWith(close))
        return false;
    marker = {kind, at, nameStart + n + close.size(), text.mid(nameStart, n)};
    return true;
}

// The leftmost marker at or after from.
bool FindMarker(const QString& text, qsizetype from, TMarker& marker)
{
    for (qsizetype at = from; at < text.size(); ++at) {
        const QChar c = text[at];
        if ((c == u'{' && VariableAt(text, at, marker)) || (c == u'<' && BlockAt(text, at, marker)))
            return true;
    }
    return false;
}

int LineOf(const QString& text, qsizetype position)
{
    return static_cast<int>(QStringView(text).left(position).count(u'\n')) + 1;
}

// Rejects templates whose block markers the one-pass renderer cannot walk.
void CheckBlocks(const QString& text)
{
    int depth = 0;
    qsizetype lastOpen = 0;
    TMarker marker;
    for (qsizetype from = 0; FindMarker(text, from, marker); from = marker.End) {
        if (marker.Kind == EMarker::KBegin) {
            if (++depth > TBrimTpl::KMaxDepth)
                throw ETplError(QStringLiteral("template line %1: block \"%2\" nested deeper than %3 levels")
                                    .arg(LineOf(text, marker.Start))
                                    .arg(marker.Name)
                                    .arg(TBrimTpl::KMaxDepth));
            lastOpen = marker.Start;
        } else if (marker.Kind == EMarker::KEnd) {
            if (--depth < 0)
                throw ETplError(QStringLiteral("template line %1: end of block \"%2\" without a begin")
                                    .arg(LineOf(text, marker.Start))
                                    .arg(marker.Name));
        }
    }
    if (depth > 0)
        throw ETplError(QStringLiteral("template line %1: block not closed").arg(LineOf(text, lastOpen)));
}

QString DecodeTemplateFile(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                            : QStringConverter::Utf16BE);
        return decoder.decode(bytes.mid(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// The part of a block path in front of its last "@" segment.
QString ParentPath(const QString& path)
{
    const int at = TBrimTpl::InStrRev(path, QStringLiteral("@"));
    return at < 0 ? QString() : path.left(at);
}

QString FoldKey(const QString& name)
{
    return name.toCaseFolded();
}
} // namespace

void TBrimTpl::LoadTpl(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ETplError(QStringLiteral("cannot read the template \"%1\": %2").arg(fileName, file.errorString()));
    SetTplText(DecodeTemplateFile(file.readAll()));
}

void TBrimTpl::SetTplText(const QString& text)
{
    // Every line, the last one too, ends with CR LF; a final line break adds no empty line.
    m_sTplText.clear();
    m_sTplText.reserve(text.size() + text.size() / 16 + 2);
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        m_sTplText += QStringView(text).mid(lineStart, i - lineStart);
        m_sTplText += QLatin1String("\r\n");
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        lineStart = i + 1;
    }
    if (lineStart < text.size()) {
        m_sTplText += QStringView(text).mid(lineStart);
        m_sTplText += QLatin1String("\r\n");
    }
}

void TBrimTpl::AddToIndex(const QString& key, const QString& value)
{
    if (!FIndex.contains(key))
        FIndex.insert(key, value);
}

void TBrimTpl::SetVar(const QString& inToken, const QString& inValue)
{
    QString value = inValue;
    value.replace(QLatin1String("\\'"), QLatin1String("'"));
    const QString name = m_sCurBlock + u'&' + inToken;
    m_oVariables.Add(name + u'=' + value);
    AddToIndex(FoldKey(name), value);
}

void TBrimTpl::BeginBlock(const QString& inBlockToken)
{
    if (m_aBlockLevel >= KMaxDepth)
        throw ETplError(QStringLiteral("block \"%1\" nested deeper than %2 levels").arg(inBlockToken).arg(KMaxDepth));
    const int d = ++m_aBlockLevel;
    const QString p = m_sCurBlock + u'@' + inBlockToken;
    // Instances of one block are numbered on as long as it is begun again right after itself.
    if (m_sLastBlockName.size() >= p.size() && QStringView(m_sLastBlockName).left(p.size()) == p)
        ++m_aBlockIndex[d];
    else
        m_aBlockIndex[d] = 0;
    m_sLastBlockName = p;
    m_sCurBlock = p + u'[' + QString::number(m_aBlockIndex[d]) + u']';
    m_oVariables.Add(m_sCurBlock + u'=');
    AddToIndex(FoldKey(m_sCurBlock), QString());
}

void TBrimTpl::EndBlock(const QString& /*aBlock*/)
{
    if (m_aBlockLevel == 0)
        return;
    m_sCurBlock = ParentPath(m_sCurBlock);
    --m_aBlockLevel;
}

QString TBrimTpl::GetVar(const QString& inCurBlock, const QString& inToken) const
{
    QString path = inCurBlock;
    for (;;) {
        const auto found = FIndex.find(FoldKey(path + u'&' + inToken));
        if (found != FIndex.end())
            return found.value();
        if (path.isEmpty())
            return QString();
        path = ParentPath(path);
    }
}

int TBrimTpl::InStrRev(const QString& orgStr, const QString& findStr)
{
    if (findStr.isEmpty())
        return -1;
    return static_cast<int>(orgStr.lastIndexOf(findStr));
}

void TBrimTpl::MakeHtml()
{
    const QString& text = m_sTplText;
    CheckBlocks(text);

    // Per-depth state of the scan; count has one slot more because depth L resets L + 1.
    std::array<qsizetype, KMaxDepth + 2> pos{};
    std::array<qsizetype, KMaxDepth + 2> after{};
    std::array<bool, KMaxDepth + 2> shown{};
    std::array<int, KMaxDepth + 2> count{};
    int level = 0;
    shown[0] = true;
    QString path;
    QString html;

    TMarker marker;
    for (;;) {
        if (!FindMarker(text, pos[level], marker)) {
            html += QStringView(text).mid(pos[level]);
            break;
        }
        const QStringView before = QStringView(text).mid(pos[level], marker.Start - pos[level]);
        switch (marker.Kind) {
        case EMarker::KVariable:
            if (shown[level]) {
                html += before;
                html += GetVar(path, marker.Name);
            }
            pos[level] = marker.End;
            break;
        case EMarker::KBegin:
            // The text in front of a block is output once, before its first instance.
            if (shown[level] && count[level + 1] == 0)
                html += before;
            ++level;
            pos[level] = marker.End;
            count[level + 1] = 0;
            path += u'@' + marker.Name + u'[' + QString::number(count[level]) + u']';
            shown[level] = FIndex.contains(FoldKey(path));
            if (!shown[level] && count[level] != 0) {
                // Every instance has been output: continue behind the block's end marker.
                path = ParentPath(path);
                count[level] = 0;
                --level;
                pos[level] = after[level];
            }
            break;
        case EMarker::KEnd:
            if (shown[level])
                html += before;
            ++count[level];
            path = ParentPath(path);
            --level;
            // The enclosing level scans its block again from the begin marker for the next instance.
            after[level] = marker.End;
            break;
        }
    }
    m_sHTML = html;
}
