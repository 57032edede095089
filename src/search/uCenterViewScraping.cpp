#include "search/uCenterViewScraping.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>

#include <QRandomGenerator>

#include "common/NameValueList.h"
#include "common/Pcre2Regex.h"
#include "common/TextFunctions.h"
#include "common/UrlFunctions.h"

namespace
{
// A pattern of the service information that is empty or that PCRE2 rejects.
class EPatternError : public std::runtime_error
{
public:
    explicit EPatternError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// Any line-break sequence counts as a newline in every scraping pattern. A pattern that
// names its own convention at its start overrides this one (the last setting wins).
constexpr const char* KAnyNewline = "(*ANY)";
constexpr uint32_t KPageOptions = PCRE2_DOTALL | PCRE2_UNGREEDY;

// Compiles each named pattern on its first use, so a broken pattern is reported only when
// the page actually needs it and lines found before stay valid.
class TPatternCache final
{
public:
    const TPcre2Regex& Get(const QString& key, const QString& pattern, uint32_t options)
    {
        auto found = FCompiled.find(key);
        if (found == FCompiled.end()) {
            if (pattern.isEmpty())
                throw EPatternError(QStringLiteral("the pattern \"%1\" is empty").arg(key));
            found = FCompiled.try_emplace(key, QLatin1String(KAnyNewline) + pattern, options).first;
        }
        if (!found->second.IsValid())
            throw EPatternError(QStringLiteral("the pattern \"%1\" is not valid: %2")
                                    .arg(key, found->second.ErrorText()));
        return found->second;
    }

private:
    std::map<QString, TPcre2Regex> FCompiled;
};

void ParseResultEntry(TPatternCache& cache, const TResultPatterns& patterns, const QString& entry,
                      int i, TNameValueList& list)
{
    const QString n = QString::number(i);
    const std::optional<QString> id = cache.Get(QStringLiteral("Pattern.id"), patterns.Id, 0).Match(entry);
    if (!id)
        return;
    list.Add(QStringLiteral("ID") + n + u'=' + *id);
    const std::optional<QString> title =
        cache.Get(QStringLiteral("Pattern.title"), patterns.Title, 0).Match(entry);
    if (!title)
        return;
    list.Add(QStringLiteral("TITLE") + n + u'=' + HtmlUnescape(*title));
    const std::optional<QString> duration =
        cache.Get(QStringLiteral("Pattern.duration"), patterns.Duration, 0).Match(entry);
    if (!duration)
        return;
    list.Add(QStringLiteral("DURATION") + n + u'=' + *duration);
    const std::optional<QString> views =
        cache.Get(QStringLiteral("Pattern.popularity2"), patterns.Popularity, 0).Match(entry);
    // Without a view count the entry gets a middling popularity of "4." and a digit; the
    // result page drops the point, giving 40 to 48.
    const QString popularity = views ? QString::number(PopularityFromViewCount(*views))
                                     : QStringLiteral("4.") + QString::number(QRandomGenerator::global()->bounded(9));
    list.Add(QStringLiteral("POPULARITY") + n + u'=' + popularity);
}

bool ParseKeywordEntry(TPatternCache& cache, const TKeywordPatterns& patterns, const QString& entry,
                       int a, TNameValueList& list)
{
    const std::optional<QString> titleGroup =
        cache.Get(QStringLiteral("c_pattern_title"), patterns.Title, 0).Match(entry);
    if (!titleGroup)
        return false;
    const QString title = HtmlUnescape(*titleGroup);
    if (title == u"__title__")
        return false;
    const std::optional<QString> artistGroup =
        cache.Get(QStringLiteral("c_pattern_artist"), patterns.Artist, 0).Match(entry);
    if (!artistGroup)
        return false;
    const QString artist = HtmlUnescape(*artistGroup);
    if (title.isEmpty() || artist.isEmpty())
        return false;
    const QString keyword = artist == u" " ? title : title + QStringLiteral(" - ") + artist;
    list.Add(QStringLiteral("KEYWORD_") + QString::number(a) + u'=' + keyword);
    return true;
}
} // namespace

bool ScrapeResultPage(const QString& page, const TResultPatterns& patterns, TNameValueList& list,
                      QString& errorText)
{
    TPatternCache cache;
    errorText.clear();
    try {
        const QStringList entries =
            cache.Get(QStringLiteral("Pattern.entry"), patterns.Entry, KPageOptions).MatchAll(page);
        for (int i = 0; i < entries.size(); ++i)
            ParseResultEntry(cache, patterns, entries[i], i, list);
    } catch (const EPatternError& e) {
        errorText = e.Message();
    }
    // The pager is scraped even when the entries failed: the page shows what it can.
    try {
        const QStringList pages =
            cache.Get(QStringLiteral("Pattern.pages"), patterns.Pages, KPageOptions).MatchAll(page);
        for (int k = 0; k < pages.size(); ++k)
            list.Add(QStringLiteral("PAGE") + QString::number(k) + u'=' + pages[k]);
    } catch (const EPatternError& e) {
        if (errorText.isEmpty())
            errorText = e.Message();
    }
    return errorText.isEmpty();
}

bool ScrapeKeywordPage(const QString& page, const TKeywordPatterns& patterns,
                       TNameValueList& categoryList, QString& errorText)
{
    errorText.clear();
    for (int i = categoryList.Count() - 1; i >= 0; --i)
        if (categoryList.Names(i).startsWith(QLatin1String("KEYWORD_"), Qt::CaseInsensitive))
            categoryList.Delete(i);
    TPatternCache cache;
    int count = 0;
    try {
        const QStringList entries =
            cache.Get(QStringLiteral("c_pattern_entry"), patterns.Entry, KPageOptions).MatchAll(page);
        for (const QString& entry : entries)
            if (ParseKeywordEntry(cache, patterns, entry, count, categoryList))
                ++count;
    } catch (const EPatternError& e) {
        errorText = e.Message();
        return false;
    }
    categoryList.Add(QStringLiteral("KEYWORD_COUNT=") + QString::number(count));
    return true;
}

int PopularityFromViewCount(const QString& viewCount)
{
    QString digits = viewCount;
    digits.remove(u',');
    digits.remove(u' ');
    // Read as 64 bits: the most watched videos have more views than a 32-bit number holds,
    // and must not drop to the lowest popularity.
    bool ok = false;
    const qint64 count = digits.toLongLong(&ok, 10);
    if (!ok || count < 2)
        return 10;
    const int p = static_cast<int>(std::floor(3.0 * std::log2(static_cast<double>(count))));
    return p <= 10 ? 10 : (p >= 100 ? 100 : p);
}

QString HtmlUnescape(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("&quot;"), QLatin1String("\""));
    result.replace(QLatin1String("&#39;"), QLatin1String("'"));
    result.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return result;
}

QString StripTags(const QString& text)
{
    static const TPcre2Regex tag(QStringLiteral("<(\\S*?)[^>]*>"));
    return tag.ReplaceAll(text, QString());
}

QString TitleToURLText(const QString& title)
{
    QByteArray encoded = EncodeURLText(ToAnsi(StripTags(title)));
    encoded.replace("%", "%25");
    return QString::fromLatin1(encoded);
}

QString GetRuntimeLong(const QString& aRuntime)
{
    if (aRuntime.isEmpty())
        return QString();
    QString text = aRuntime;
    const qsizetype close = text.indexOf(u'>');
    if (close >= 0)
        text = text.mid(close + 1);
    const qsizetype open = text.indexOf(u'<');
    if (open >= 0)
        text = text.left(open);
    const QStringList parts = text.split(u':');
    const auto number = [&parts](int index) -> qint64 {
        if (index >= parts.size())
            return 0;
        bool ok = false;
        const int value = parts[index].toInt(&ok, 10);
        return ok ? value : 0;
    };
    return QString::number(number(0) * 60 + number(1));
}
