#include "common/Pcre2Regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "TestSupport.h"

TEST(Pcre2Regex, MatchGivesGroupOneOfTheFirstMatch)
{
    const struct
    {
        const char* pattern;
        const char* subject;
        bool matches;
        const char* group;
    } rows[] = {
        {"id=(\\w+)", "x id=abc id=def", true, "abc"},
        {"id=(\\w+)", "nothing here", false, ""},
        {"a(b)?c", "ac", true, ""},               // group not taking part
        {"abc", "xabcx", true, ""},                // no group 1 at all
        {"swfHTML(.*)embed>\";", "<swfHTML k=v embed>\";", true, " k=v "},
        {"(.)", "\xC3\xA9x", true, "\xC3\xA9"},      // UTF mode: one character, not one byte
        {"n(.)m", "n\xE2\x82\xACm", true, "\xE2\x82\xAC"},
        {"A(b)", "ab", false, ""},                 // case matters by default
    };
    for (const auto& row : rows) {
        const TPcre2Regex re(QString::fromUtf8(row.pattern));
        ASSERT_TRUE(re.IsValid()) << row.pattern;
        const std::optional<QString> got = re.Match(QString::fromUtf8(row.subject));
        EXPECT_EQ(got.has_value(), row.matches) << row.pattern;
        if (got) {
            EXPECT_EQ(*got, QString::fromUtf8(row.group)) << row.pattern;
        }
    }
}

TEST(Pcre2Regex, ExtraOptionsAreAdded)
{
    EXPECT_TRUE(TPcre2Regex(QStringLiteral("A(b)"), PCRE2_CASELESS).Match(QStringLiteral("ab")));
    EXPECT_FALSE(TPcre2Regex(QStringLiteral("a.b")).Match(QStringLiteral("a\nb")));
    EXPECT_EQ(TPcre2Regex(QStringLiteral("a(.)b"), PCRE2_DOTALL).Match(QStringLiteral("a\nb")),
              QStringLiteral("\n"));
}

TEST(Pcre2Regex, BadPatternNamesItselfAndMatchesNothing)
{
    const TPcre2Regex re(QStringLiteral("ab(c"));
    EXPECT_FALSE(re.IsValid());
    EXPECT_TRUE(re.ErrorText().contains(QStringLiteral("\"ab(c\""))) << re.ErrorText().toStdString();
    EXPECT_FALSE(re.Match(QStringLiteral("abc")));
    EXPECT_TRUE(re.MatchAll(QStringLiteral("abc")).isEmpty());
    EXPECT_EQ(re.ReplaceAll(QStringLiteral("abc"), QStringLiteral("x")), QStringLiteral("abc"));
}

TEST(Pcre2Regex, MatchAllStepsOverEmptyMatches)
{
    const struct
    {
        const char* pattern;
        const char* subject;
        QStringList groups;
    } rows[] = {
        {"<b>(.*?)</b>", "<b>1</b> <b></b><b>3</b>", {"1", "", "3"}},
        {"(x*)", "ab", {"", "", ""}},
        {"(x*)", "\xC3\xA9", {"", ""}}, // never stops inside a character
        {"(\\d)", "", {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TPcre2Regex(QString::fromUtf8(row.pattern)).MatchAll(QString::fromUtf8(row.subject)),
                  row.groups)
            << row.pattern << " on " << row.subject;
}

TEST(Pcre2Regex, ReplaceAll)
{
    const struct
    {
        const char* pattern;
        const char* subject;
        const char* replacement;
        const char* result;
    } rows[] = {
        {"<[^>]*>", "<b>Song</b> <i>Title</i>", "", "Song Title"},
        {"(\\w+)@(\\w+)", "a@b c@d", "$2@$1", "b@a d@c"},
        {"x", "no match", "y", "no match"},
        {"\xC3\xA9", "caf\xC3\xA9 \xC3\xA9t\xC3\xA9", "e", "cafe ete"},
        {"(a)|b", "ab", "[$1]", "[a][]"}, // an unset group is empty
        {"a", "aa", "$9", "aa"},          // a bad replacement leaves the text alone
    };
    for (const auto& row : rows)
        EXPECT_EQ(TPcre2Regex(QString::fromUtf8(row.pattern))
                      .ReplaceAll(QString::fromUtf8(row.subject), QString::fromUtf8(row.replacement)),
                  QString::fromUtf8(row.result))
            << row.pattern << " on " << row.subject;
    // A result longer than the first guess of the output size.
    EXPECT_EQ(TPcre2Regex(QStringLiteral("a")).ReplaceAll(QString(50, u'a'), QStringLiteral("0123456789")),
              QStringLiteral("0123456789").repeated(50));
}

TEST(Pcre2Regex, CatastrophicBacktrackingEndsAsNoMatch)
{
    const TPcre2Regex re(QStringLiteral("(a+)+$"));
    EXPECT_FALSE(re.Match(QString(40, u'a') + u'!'));
}
