#pragma once

#include <QHash>
#include <QString>

#include <array>
#include <stdexcept>

#include "common/NameValueList.h"

// A template that cannot be rendered: unreadable file, unbalanced block markers or
// blocks nested deeper than TBrimTpl::KMaxDepth.
class ETplError : public std::runtime_error
{
public:
    explicit ETplError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// Turns an HTML template into a page. The caller first records variables and block
// instances from the top of the page to the bottom, then renders everything in one pass.
//
// Markers (letter case ignored):
//   {NAME}                          a variable: one ASCII letter, then letters, digits, "_"
//   <!-- begin block NAME -->       opens one repetition per recorded instance
//   <!-- end block NAME -->         closes the innermost open block (NAME not compared)
// Values are inserted exactly as recorded: whoever records a value makes it HTML-safe.
class TBrimTpl final
{
public:
    static constexpr int KMaxDepth = 10;

    TBrimTpl() = default;
    Q_DISABLE_COPY_MOVE(TBrimTpl)

    // Reads the template file (a byte-order mark selects UTF-8 or UTF-16; otherwise valid
    // UTF-8 is read as such and anything else as Latin-1). Throws ETplError.
    void LoadTpl(const QString& fileName);
    // The same from text already in memory; lines are split at CR LF, LF or CR.
    void SetTplText(const QString& text);

    // Records a variable in the current block instance. "\'" in the value becomes "'".
    // A name recorded twice in one instance keeps its first value.
    void SetVar(const QString& inToken, const QString& inValue);
    // Opens the next instance of a block inside the current instance. Throws ETplError
    // beyond KMaxDepth levels.
    void BeginBlock(const QString& inBlockToken);
    // Closes the innermost open instance; the argument is not used.
    void EndBlock(const QString& aBlock = QString());

    // The value of a variable as seen from a block instance path: the instance itself,
    // then each enclosing instance, then the top level; empty when none has it.
    QString GetVar(const QString& inCurBlock, const QString& inToken) const;
    // Characters before the start of the last occurrence of findStr; -1 when there is none.
    static int InStrRev(const QString& orgStr, const QString& findStr);

    // Renders the template with the recorded data into OutPutHtml(). Throws ETplError for
    // unbalanced markers or too deep nesting, naming the line.
    void MakeHtml();
    const QString& OutPutHtml() const { return m_sHTML; }
    void SetOutPutHtml(const QString& html) { m_sHTML = html; }

    // The recorded lines: "path&NAME=value" for variables, "path=" for block instances.
    const TNameValueList& Variables() const { return m_oVariables; }

private:
    TNameValueList m_oVariables;
    QString m_sTplText; // every template line followed by CR LF
    QString m_sCurBlock;
    int m_aBlockLevel = 0;
    QString m_sLastBlockName;
    std::array<int, KMaxDepth + 1> m_aBlockIndex{};
    QString m_sHTML;
    // First value of every recorded name, by case-folded name, for the lookups of MakeHtml.
    QHash<QString, QString> FIndex;

    void AddToIndex(const QString& key, const QString& value);
};
