#pragma once

#include <QString>
#include <QStringList>

// What the search, categories and keywords commands share: their options, fetching one
// page the way the centre view does, and writing a rendered page.

struct TSearchCliOptions
{
    QStringList Positional;
    int Page = 1;
    QString HtmlFile;
};

// Reads "--page N" (when allowPage) and "--html FILE"; returns an error text, empty when fine.
QString ParseSearchCliOptions(const QStringList& args, bool allowPage, TSearchCliOptions& out);
// Fetches a page as UTF-8 text with TSingleDownloader; false with errorText on failure.
bool FetchPageText(const QString& url, QString& text, QString& errorText);
// Writes the page atomically; false after reporting the problem.
bool WriteHtmlFile(const QString& fileName, const QString& html);
