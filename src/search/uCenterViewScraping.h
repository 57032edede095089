#pragma once

#include <QString>

#include <memory>

class TNameValueList;
class TPcre2Regex;

// Cutting the site's result and keyword pages into numbered name=value lines with the
// patterns of the service information. Everything here is free of windows: the centre
// view calls it from its fetchers' completion events and renders the lists afterwards.

// The service information's patterns for a result page (keys "Pattern.entry", ...).
struct TResultPatterns
{
    QString Entry;      // each match's group 1 is one entry
    QString Id;         // within an entry: the video identifier
    QString Title;      // the title, HTML quotes and ampersands still escaped
    QString Duration;   // the running time, possibly wrapped in markup
    QString Popularity; // the view count ("Pattern.popularity2")
    QString Pages;      // over the whole page: one pager entry per match

    // The values the settings store holds now.
    static TResultPatterns FromSettings();
};

// The service information's patterns for a category's keyword page.
struct TKeywordPatterns
{
    QString Entry;  // "c_pattern_entry"
    QString Title;  // "c_pattern_title"; the group text "__title__" marks an unusable entry
    QString Artist; // "c_pattern_artist"; a single space means "no artist"

    static TKeywordPatterns FromSettings();
};

// Scrapes a result page: "ID" i, "TITLE" i, "DURATION" i, "POPULARITY" i for each entry i
// (numbered by entry match, shown or not) and "PAGE" k for each pager entry, appended to
// list. Returns false with errorText naming the pattern when a pattern is empty or rejected;
// the lines written before the error stay so the page can still be shown.
bool ScrapeResultPage(const QString& page, const TResultPatterns& patterns, TNameValueList& list,
                      QString& errorText);

// Scrapes a keyword page into the category list: earlier "KEYWORD_" lines are removed, then
// "KEYWORD_" a for each usable entry and "KEYWORD_COUNT". False with errorText on a bad pattern.
bool ScrapeKeywordPage(const QString& page, const TKeywordPatterns& patterns,
                       TNameValueList& categoryList, QString& errorText);

// Popularity 10 to 100 from a view-count text with "," or space separators:
// floor(3 × log2 count), clamped; a count below 2, or one that is not a 32-bit number, gives 10.
int PopularityFromViewCount(const QString& viewCount);

// Undoes "&quot;", then "&#39;", then "&amp;" (in that order, each over the whole text).
QString HtmlUnescape(const QString& text);
// The title as result pages put it into links: tags removed, Latin-1 bytes URL-encoded,
// then every "%" encoded once more.
QString TitleToURLText(const QString& title);
// Running time in whole seconds from "m:ss" (markup around it ignored); empty for empty text.
QString GetRuntimeLong(const QString& aRuntime);
// The text with every markup tag removed.
QString StripTags(const QString& text);
