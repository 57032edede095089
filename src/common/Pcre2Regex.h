#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

// A compiled PCRE2 pattern (8-bit library, UTF mode, JIT when available). Patterns and
// subjects are QStrings handled as UTF-8, as the service information's patterns expect.
// A pattern that does not compile leaves the object invalid: it matches nothing and
// ErrorText() names the pattern and the reason.
class TPcre2Regex final
{
public:
    // extraOptions are PCRE2 compile options (PCRE2_CASELESS, PCRE2_DOTALL, ...) added to UTF.
    explicit TPcre2Regex(const QString& pattern, uint32_t extraOptions = 0);
    ~TPcre2Regex();
    TPcre2Regex(const TPcre2Regex&) = delete;
    TPcre2Regex& operator=(const TPcre2Regex&) = delete;
    TPcre2Regex(TPcre2Regex&&) noexcept;
    TPcre2Regex& operator=(TPcre2Regex&&) noexcept;

    bool IsValid() const { return FCode != nullptr; }
    const QString& Pattern() const { return FPattern; }
    // Why the pattern did not compile (naming the pattern); empty when it did. A match
    // that fails for another reason than "no match" (a resource limit) counts as no match
    // and goes to the debug log.
    const QString& ErrorText() const { return FError; }

    // Text of capture group `group` in the first match; nullopt when nothing matched.
    // A group that did not take part in the match gives an empty text.
    std::optional<QString> Match(const QString& subject, int group = 1) const;
    // Group `group` of every non-overlapping match, left to right.
    QStringList MatchAll(const QString& subject, int group = 1) const;
    // Replaces every match; "$1" / "${name}" in replacement insert groups, "$$" is "$".
    // An invalid pattern or replacement returns the subject unchanged.
    QString ReplaceAll(const QString& subject, const QString& replacement) const;

private:
    struct TCode;
    struct TMatch
    {
        size_t Start = 0;
        size_t End = 0;
        QString Group;
    };
    std::optional<TMatch> MatchAt(const QByteArray& subject, size_t start, int group) const;

    QString FPattern;
    std::unique_ptr<TCode> FCode;
    QString FError;
};
