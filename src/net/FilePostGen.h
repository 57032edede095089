#pragma once

#include <QString>

class TNameValueList;

// Builds a multipart/form-data body from form values and files. The body is text with one
// character per byte (file contents as Latin-1), which the downloader sends unchanged.
class TFilePostGen final
{
public:
    // slFiles: field name = file path; null when there are no files.
    void Make(const TNameValueList& slValues, const TNameValueList* slFiles);

    const QString& PostData() const { return FPostData; }
    // The request header line for this body.
    const QString& Headers() const { return FHeaders; }

private:
    QString FPostData;
    QString FHeaders;
};
