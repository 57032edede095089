#include "framework/KvMultiLangLan.h"

#include <algorithm>

#include <QCollator>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include "common/NameValueList.h"
#include "common/TextFunctions.h"

namespace
{
const QString KInfo = QStringLiteral("Info");
const QString KFixedSections[] = {KInfo, QStringLiteral("BasicRes"), QStringLiteral("SkinRes"),
                                  QStringLiteral("LibRes"), QStringLiteral("AppRes")};

// Blanks and control characters, as a line is trimmed before it is read.
QString TrimLine(const QString& line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && line[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && line[end - 1].unicode() <= u' ')
        --end;
    return line.mid(begin, end - begin);
}

QString EntryName(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.left(eq);
}

QString EntryValue(const QString& line)
{
    return line.mid(line.indexOf(u'=') + 1);
}

QString JoinName(const QString& comp, const QString& prop)
{
    return comp.isEmpty() ? prop : comp + u'.' + prop;
}

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QString DecodePack(const QByteArray& bytes)
{
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.mid(3));
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        auto decoder = QStringDecoder(bytes[0] == '\xFF' ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        // An odd last byte is no character; drop it.
        text = decoder(bytes.mid(2, (bytes.size() - 2) & ~qsizetype(1)));
    } else {
        text = FromAnsi(bytes);
    }
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

// Any case-insensitive, locale-aware order will do: it only decides the order of saved lines.
// A fixed locale keeps saved packs identical on every machine.
int CompareText(const QString& a, const QString& b)
{
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::English, QLocale::UnitedStates));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int r = collator.compare(a, b);
    return r != 0 ? r : a.compare(b, Qt::CaseInsensitive);
}
} // namespace

QStringList TKvMultiLangLan::Data()
{
    UpdateData();
    return FData;
}

void TKvMultiLangLan::SetData(const QStringList& lines)
{
    FData = lines;
    FbModified = false;
    FbToApply = true;
}

bool TKvMultiLangLan::LoadFromFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    LoadFromBytes(bytes);
    return true;
}

void TKvMultiLangLan::LoadFromBytes(const QByteArray& bytes)
{
    LoadFromString(DecodePack(bytes));
}

void TKvMultiLangLan::LoadFromString(const QString& text)
{
    SetData(SplitLines(text));
    ApplyData();
}

QString TKvMultiLangLan::ToString()
{
    UpdateData();
    QString text;
    for (const QString& line : std::as_const(FData))
        text += line + QStringLiteral("\r\n");
    return text;
}

bool TKvMultiLangLan::SaveToFile(const QString& fileName)
{
    SortData();
    const QString text = ToString();
    QByteArray bytes = ToAnsi(text);
    if (FromAnsi(bytes) != text)
        bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

void TKvMultiLangLan::AssignTo(TKvMultiLangLan& dest)
{
    if (&dest == this)
        return;
    dest.SetData(Data());
    dest.ApplyData();
}

void TKvMultiLangLan::ClearAll()
{
    FData.clear();
    FIniData.clear();
    FbModified = false;
    FbToApply = false;
}

void TKvMultiLangLan::ClearAllForm()
{
    ApplyData();
    const auto removed = FIniData.removeIf([](const TSection& s) { return !IsFixedSection(s.Name); });
    if (removed > 0)
        FbModified = true;
}

void TKvMultiLangLan::ClearForm(const QString& form)
{
    ApplyData();
    const auto removed = FIniData.removeIf([&](const TSection& s) { return s.Name.compare(form, Qt::CaseInsensitive) == 0; });
    if (removed > 0)
        FbModified = true;
}

bool TKvMultiLangLan::GetProp(const QString& form, const QString& comp, const QString& prop, QString& value)
{
    ApplyData();
    const TSection* section = FindSection(form);
    if (!section)
        return false;
    const int i = IndexOfName(section->Lines, JoinName(comp, prop));
    if (i < 0)
        return false;
    value = Unescape(EntryValue(section->Lines[i]));
    return true;
}

void TKvMultiLangLan::SetProp(const QString& form, const QString& comp, const QString& prop, const QString& value)
{
    ApplyData();
    TSection* section = FindSection(form);
    if (!section) {
        FIniData.append(TSection{form, {}});
        section = &FIniData.last();
    }
    const QString name = JoinName(comp, prop);
    const QString line = name + u'=' + Escape(value);
    const int i = IndexOfName(section->Lines, name);
    if (i >= 0)
        section->Lines[i] = line;
    else
        section->Lines.append(line);
    FbModified = true;
    UpdateData();
}

void TKvMultiLangLan::GetSectionStrings(const QString& sectionName, TNameValueList& list)
{
    ApplyData();
    const TSection* section = FindSection(sectionName);
    if (!section)
        return;
    for (const QString& line : section->Lines) {
        const QString name = EntryName(line);
        if (!name.isEmpty())
            list.SetValue(name, Unescape(EntryValue(line)));
    }
}

void TKvMultiLangLan::SortData()
{
    ApplyData();
    QList<TSection> sorted;
    for (const QString& fixed : KFixedSections) {
        // Every section of that name, as duplicates stay in the pack and the first one wins.
        for (const TSection& s : std::as_const(FIniData))
            if (s.Name.compare(fixed, Qt::CaseInsensitive) == 0)
                sorted.append(s);
    }
    QList<TSection> others;
    for (const TSection& s : std::as_const(FIniData))
        if (!IsFixedSection(s.Name))
            others.append(s);
    std::stable_sort(others.begin(), others.end(),
                     [](const TSection& a, const TSection& b) { return CompareText(a.Name, b.Name) < 0; });
    sorted.append(others);
    for (TSection& s : sorted) {
        if (s.Name.compare(KInfo, Qt::CaseInsensitive) != 0)
            std::stable_sort(s.Lines.begin(), s.Lines.end(),
                             [](const QString& a, const QString& b) { return CompareText(a, b) < 0; });
    }
    FIniData = sorted;
    FbModified = true;
    UpdateData();
}

void TKvMultiLangLan::UpdateData()
{
    if (!FbModified)
        return;
    FData.clear();
    for (const TSection& s : std::as_const(FIniData)) {
        FData.append(u'[' + s.Name + u']');
        FData.append(s.Lines);
        FData.append(QString());
    }
    FbModified = false;
}

void TKvMultiLangLan::ApplyData()
{
    if (!FbToApply)
        return;
    FIniData.clear();
    TSection* current = nullptr;
    for (const QString& raw : std::as_const(FData)) {
        const QString line = TrimLine(raw);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
            FIniData.append(TSection{TrimLine(line.mid(1, line.size() - 2)), {}});
            current = &FIniData.last();
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            current->Lines.append(line);
        else
            current->Lines.append(TrimLine(line.left(eq)) + u'=' + TrimLine(line.mid(eq + 1)));
    }
    FbToApply = false;
}

QStringList TKvMultiLangLan::Sections()
{
    ApplyData();
    QStringList names;
    for (const TSection& s : std::as_const(FIniData))
        names.append(s.Name);
    return names;
}

QString TKvMultiLangLan::Escape(const QString& value)
{
    QString text = value;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("<BR>"));
    text.replace(u'\r', QStringLiteral("<BR>"));
    text.replace(u'\n', QStringLiteral("<BR>"));
    // Values are trimmed when read: outer spaces survive only as "<SP>".
    qsizetype lead = 0;
    while (lead < text.size() && text[lead] == u' ')
        ++lead;
    if (lead == text.size())
        return QStringLiteral("<SP>").repeated(lead);
    qsizetype trail = 0;
    while (text[text.size() - 1 - trail] == u' ')
        ++trail;
    return QStringLiteral("<SP>").repeated(lead) + text.mid(lead, text.size() - lead - trail) +
           QStringLiteral("<SP>").repeated(trail);
}

QString TKvMultiLangLan::Unescape(const QString& value)
{
    QString text = value;
    text.replace(QStringLiteral("<BR>"), QStringLiteral("\r\n"), Qt::CaseInsensitive);
    text.replace(QStringLiteral("<SP>"), QStringLiteral(" "), Qt::CaseInsensitive);
    return text;
}

bool TKvMultiLangLan::IsFixedSection(const QString& section)
{
    return std::any_of(std::begin(KFixedSections), std::end(KFixedSections),
                       [&](const QString& f) { return f.compare(section, Qt::CaseInsensitive) == 0; });
}

TKvMultiLangLan::TSection* TKvMultiLangLan::FindSection(const QString& name)
{
    for (TSection& s : FIniData)
        if (s.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

int TKvMultiLangLan::IndexOfName(const QStringList& lines, const QString& name)
{
    for (int i = 0; i < lines.size(); ++i) {
        const QString entry = EntryName(lines[i]);
        if (!entry.isEmpty() && entry.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}
