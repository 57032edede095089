#include "common/NameValueList.h"

#include <QRegularExpression>

int TNameValueList::IndexOfName(const QString& name) const
{
    for (int i = 0; i < FLines.size(); ++i) {
        const QString& line = FLines[i];
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TNameValueList::Names(int i) const
{
    const QString& line = FLines[i];
    const qsizetype eq = line.indexOf(u'=');
    return eq >= 0 ? line.left(eq) : QString();
}

QString TNameValueList::ValueFromIndex(int i) const
{
    const QString& line = FLines[i];
    const qsizetype eq = line.indexOf(u'=');
    return eq >= 0 ? line.mid(eq + 1) : QString();
}

QString TNameValueList::Values(const QString& name) const
{
    const int i = IndexOfName(name);
    return i >= 0 ? ValueFromIndex(i) : QString();
}

void TNameValueList::SetValue(const QString& name, const QString& value)
{
    const int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0)
            FLines.removeAt(i);
        return;
    }
    const QString line = name + u'=' + value;
    if (i >= 0)
        FLines[i] = line;
    else
        FLines.append(line);
}

QString TNameValueList::Text() const
{
    QString text;
    for (const QString& line : FLines) {
        text += line;
        text += u'\n';
    }
    return text;
}

void TNameValueList::SetText(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    FLines = text.split(lineBreak);
    // A trailing line break ends the last line rather than starting an empty one.
    if (!FLines.isEmpty() && FLines.last().isEmpty())
        FLines.removeLast();
}

namespace
{
bool NeedsQuotes(const QString& item)
{
    if (item.isEmpty())
        return false;
    for (QChar c : item)
        if (c.unicode() <= u' ' || c == u',' || c == u'"')
            return true;
    return false;
}
} // namespace

QString TNameValueList::CommaText() const
{
    // A single empty line is written as a quoted empty item, so it does not read back as
    // an empty list.
    if (FLines.size() == 1 && FLines.first().isEmpty())
        return QStringLiteral("\"\"");
    QStringList items;
    items.reserve(FLines.size());
    for (const QString& line : FLines) {
        if (NeedsQuotes(line)) {
            QString quoted = line;
            quoted.replace(u'"', QStringLiteral("\"\""));
            items.append(u'"' + quoted + u'"');
        } else {
            items.append(line);
        }
    }
    return items.join(u',');
}

void TNameValueList::SetCommaText(const QString& text)
{
    // Items are separated by commas; blanks and control characters around items are
    // skipped; a quoted item may hold anything, with "" standing for one quote; an
    // unquoted item ends at a comma or a blank.
    FLines.clear();
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < n && text[i].unicode() <= u' ')
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < n && text[i].unicode() > u' ' && text[i] != u',')
                item += text[i++];
        }
        FLines.append(item);
        skipBlanks();
        if (i < n && text[i] == u',') {
            ++i;
            skipBlanks();
            if (i >= n)
                FLines.append(QString()); // a trailing comma ends with an empty item
        }
    }
}
