#pragma once

#include <QFile>
#include <QString>

// A download's body on its way to its target: written to a temporary file in the target's
// folder, renamed over the target only by Commit, and removed in every other case, so the
// target holds either what it held before or the whole new body.
// (No fsync: the rename keeps the target whole when the program dies, like QSaveFile,
// without the cost of forcing every byte to disk.)
class TPartFile final
{
public:
    TPartFile() = default;
    ~TPartFile();
    TPartFile(const TPartFile&) = delete;
    TPartFile& operator=(const TPartFile&) = delete;

    // Creates the target's folder when missing and a new temporary file beside the target.
    bool Open(const QString& target);
    bool Write(const char* data, qint64 size);
    // Renames the temporary file over the target.
    bool Commit();
    // Closes and removes the temporary file.
    void Discard();

private:
    QString FTarget;
    QFile FFile;
};
