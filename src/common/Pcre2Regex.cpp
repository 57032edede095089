#include "common/Pcre2Regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "common/DebugLog.h"

namespace
{
// Outside patterns meet outside pages: keep one bad pair from eating the machine's memory.
constexpr uint32_t KHeapLimitKiB = 256 * 1024;

struct TMatchDataDeleter
{
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct TMatchContextDeleter
{
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
using TMatchDataPtr = std::unique_ptr<pcre2_match_data, TMatchDataDeleter>;
using TMatchContextPtr = std::unique_ptr<pcre2_match_context, TMatchContextDeleter>;

QString PcreErrorText(int code)
{
    PCRE2_UCHAR buffer[256];
    const int n = pcre2_get_error_message(code, buffer, sizeof buffer);
    return n < 0 ? QStringLiteral("error %1").arg(code)
                 : QString::fromUtf8(reinterpret_cast<const char*>(buffer), n);
}

// Byte length of the UTF-8 character that starts at subject[pos].
size_t CharLength(const QByteArray& subject, size_t pos)
{
    size_t n = 1;
    while (pos + n < static_cast<size_t>(subject.size())
           && (static_cast<unsigned char>(subject[static_cast<qsizetype>(pos + n)]) & 0xC0) == 0x80)
        ++n;
    return n;
}
} // namespace

struct TPcre2Regex::TCode
{
    pcre2_code* Code = nullptr;
    TMatchContextPtr Context;
    ~TCode() { pcre2_code_free(Code); }
};

TPcre2Regex::TPcre2Regex(const QString& pattern, uint32_t extraOptions) : FPattern(pattern)
{
    const QByteArray utf8 = pattern.toUtf8();
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.constData()),
                                     static_cast<PCRE2_SIZE>(utf8.size()), PCRE2_UTF | extraOptions,
                                     &errorCode, &errorOffset, nullptr);
    if (!code) {
        FError = QStringLiteral("pattern \"%1\" does not compile at offset %2: %3")
                     .arg(pattern)
                     .arg(errorOffset)
                     .arg(PcreErrorText(errorCode));
        return;
    }
    FCode = std::make_unique<TCode>();
    FCode->Code = code;
    // JIT is an optimisation only: a pattern it cannot take still matches without it.
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    FCode->Context.reset(pcre2_match_context_create(nullptr));
    if (FCode->Context)
        pcre2_set_heap_limit(FCode->Context.get(), KHeapLimitKiB);
}

TPcre2Regex::~TPcre2Regex() = default;
TPcre2Regex::TPcre2Regex(TPcre2Regex&&) noexcept = default;
TPcre2Regex& TPcre2Regex::operator=(TPcre2Regex&&) noexcept = default;

std::optional<TPcre2Regex::TMatch> TPcre2Regex::MatchAt(const QByteArray& subject, size_t start,
                                                        int group) const
{
    if (!FCode)
        return std::nullopt;
    TMatchDataPtr data(pcre2_match_data_create_from_pattern(FCode->Code, nullptr));
    if (!data)
        return std::nullopt;
    const auto run = [&](uint32_t options) {
        return pcre2_match(FCode->Code, reinterpret_cast<PCRE2_SPTR>(subject.constData()),
                           static_cast<PCRE2_SIZE>(subject.size()), start, options, data.get(),
                           FCode->Context.get());
    };
    int rc = run(0);
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT)
        rc = run(PCRE2_NO_JIT);
    if (rc < 0) {
        if (rc != PCRE2_ERROR_NOMATCH)
            DebugLog::LogTag(QStringLiteral("Regex"), QStringLiteral("pattern \"%1\": %2")
                                                          .arg(FPattern, PcreErrorText(rc)));
        return std::nullopt;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    TMatch match;
    match.Start = ovector[0];
    match.End = ovector[1];
    if (group >= 0 && static_cast<uint32_t>(group) < pcre2_get_ovector_count(data.get())) {
        const PCRE2_SIZE from = ovector[2 * group];
        const PCRE2_SIZE to = ovector[2 * group + 1];
        if (from != PCRE2_UNSET && to >= from)
            match.Group = QString::fromUtf8(subject.constData() + from,
                                            static_cast<qsizetype>(to - from));
    }
    return match;
}

std::optional<QString> TPcre2Regex::Match(const QString& subject, int group) const
{
    const std::optional<TMatch> match = MatchAt(subject.toUtf8(), 0, group);
    if (!match)
        return std::nullopt;
    return match->Group;
}

QStringList TPcre2Regex::MatchAll(const QString& subject, int group) const
{
    QStringList result;
    const QByteArray utf8 = subject.toUtf8();
    const size_t size = static_cast<size_t>(utf8.size());
    size_t start = 0;
    while (start <= size) {
        const std::optional<TMatch> match = MatchAt(utf8, start, group);
        if (!match)
            break;
        result.append(match->Group);
        // An empty match would be found again at the same place: step over one character.
        start = match->End > match->Start ? match->End : match->End + CharLength(utf8, match->End);
    }
    return result;
}

QString TPcre2Regex::ReplaceAll(const QString& subject, const QString& replacement) const
{
    if (!FCode)
        return subject;
    const QByteArray utf8 = subject.toUtf8();
    const QByteArray with = replacement.toUtf8();
    QByteArray output(utf8.size() + with.size() + 64, Qt::Uninitialized);
    for (int attempt = 0; attempt < 2; ++attempt) {
        PCRE2_SIZE length = static_cast<PCRE2_SIZE>(output.size());
        const int rc = pcre2_substitute(
            FCode->Code, reinterpret_cast<PCRE2_SPTR>(utf8.constData()),
            static_cast<PCRE2_SIZE>(utf8.size()), 0,
            PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH | PCRE2_SUBSTITUTE_UNSET_EMPTY,
            nullptr, FCode->Context.get(), reinterpret_cast<PCRE2_SPTR>(with.constData()),
            static_cast<PCRE2_SIZE>(with.size()), reinterpret_cast<PCRE2_UCHAR*>(output.data()),
            &length);
        if (rc == PCRE2_ERROR_NOMEMORY) {
            // length now holds the size needed, terminating zero included.
            output.resize(static_cast<qsizetype>(length));
            continue;
        }
        if (rc < 0) {
            DebugLog::LogTag(QStringLiteral("Regex"), QStringLiteral("pattern \"%1\": %2")
                                                          .arg(FPattern, PcreErrorText(rc)));
            return subject;
        }
        return QString::fromUtf8(output.constData(), static_cast<qsizetype>(length));
    }
    return subject;
}
