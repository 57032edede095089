#include "common/MemIniFile.h"

#include "common/TextFunctions.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

TMemIniFile::TMemIniFile(const QString& fileName)
{
    LoadFromFile(fileName);
}

void TMemIniFile::LoadFromFile(const QString& fileName)
{
    FFileName = fileName;
    FSections.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = FromAnsi(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    SetText(text);
}

void TMemIniFile::SetText(const QString& text)
{
    FSections.clear();
    TSection* current = nullptr;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = &SectionFor(line.mid(1, line.size() - 2).trimmed());
            continue;
        }
        if (!current)
            continue; // keys before the first section belong to none
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        // The file keeps every line; lookups take the first of a name.
        current->Entries.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
}

QString TMemIniFile::Text() const
{
    QString text;
    for (const TSection& s : FSections) {
        text += u'[' + s.Name + QStringLiteral("]\n");
        for (const TEntry& e : s.Entries)
            text += e.Name + u'=' + e.Value + u'\n';
        text += u'\n';
    }
    return text;
}

bool TMemIniFile::UpdateFile() const
{
    return SaveToFile(FFileName);
}

bool TMemIniFile::SaveToFile(const QString& fileName) const
{
    if (fileName.isEmpty())
        return false;
    // Written beside the target and renamed over it, so a crash or a full disk leaves the
    // previous file whole.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = Text().toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

const TMemIniFile::TSection* TMemIniFile::FindSection(const QString& section) const
{
    for (const TSection& s : FSections)
        if (s.Name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

TMemIniFile::TSection* TMemIniFile::FindSection(const QString& section)
{
    return const_cast<TSection*>(std::as_const(*this).FindSection(section));
}

TMemIniFile::TSection& TMemIniFile::SectionFor(const QString& section)
{
    if (TSection* s = FindSection(section))
        return *s;
    FSections.append({section, {}});
    return FSections.last();
}

bool TMemIniFile::SectionExists(const QString& section) const
{
    return FindSection(section) != nullptr;
}

bool TMemIniFile::ValueExists(const QString& section, const QString& key) const
{
    if (const TSection* s = FindSection(section))
        for (const TEntry& e : s->Entries)
            if (e.Name.compare(key, Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

QString TMemIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    if (const TSection* s = FindSection(section))
        for (const TEntry& e : s->Entries)
            if (e.Name.compare(key, Qt::CaseInsensitive) == 0)
                return e.Value;
    return defaultValue;
}

int TMemIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    return SafeStrToInt(ReadString(section, key, QString()), defaultValue);
}

bool TMemIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TMemIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    TSection& s = SectionFor(section);
    for (TEntry& e : s.Entries) {
        if (e.Name.compare(key, Qt::CaseInsensitive) == 0) {
            e.Value = value;
            return;
        }
    }
    s.Entries.append({key, value});
}

void TMemIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TMemIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TMemIniFile::DeleteKey(const QString& section, const QString& key)
{
    if (TSection* s = FindSection(section))
        s->Entries.removeIf([&](const TEntry& e) { return e.Name.compare(key, Qt::CaseInsensitive) == 0; });
}

void TMemIniFile::EraseSection(const QString& section)
{
    FSections.removeIf([&](const TSection& s) { return s.Name.compare(section, Qt::CaseInsensitive) == 0; });
}

QStringList TMemIniFile::ReadSections() const
{
    QStringList names;
    for (const TSection& s : FSections)
        names.append(s.Name);
    return names;
}

QStringList TMemIniFile::ReadSection(const QString& section) const
{
    QStringList names;
    if (const TSection* s = FindSection(section))
        for (const TEntry& e : s->Entries)
            names.append(e.Name);
    return names;
}

QStringList TMemIniFile::ReadSectionValues(const QString& section) const
{
    QStringList lines;
    if (const TSection* s = FindSection(section))
        for (const TEntry& e : s->Entries)
            lines.append(e.Name + u'=' + e.Value);
    return lines;
}
