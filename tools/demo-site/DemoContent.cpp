// Content of the generic test routes and the fault names of the demo site.
#include "DemoSite.h"

#include <QStringConverter>

#include <array>

namespace
{
// Bytes repeat with a prime period so that shifted or dropped blocks never look right.
constexpr int64_t KPatternPeriod = 65521;

const std::array<char, KPatternPeriod>& Pattern()
{
    static const std::array<char, KPatternPeriod> pattern = [] {
        std::array<char, KPatternPeriod> p{};
        uint32_t x = 0x9E3779B9u;
        for (char& c : p) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x & 0xFF);
        }
        return p;
    }();
    return pattern;
}
} // namespace

TDemoFault ParseDemoFault(const QString& text)
{
    const QString name = text.section(u':', 0, 0).trimmed().toLower();
    bool hasParam = false;
    const int param = text.section(u':', 1, 1).toInt(&hasParam);
    if (name == u"reset")
        return {EDemoFault::Reset, 0};
    if (name == u"short")
        return {EDemoFault::ShortBody, 0};
    if (name == u"nolength")
        return {EDemoFault::NoLength, 0};
    if (name == u"drip")
        return {EDemoFault::Drip, hasParam && param >= 0 ? param : 20};
    if (name == u"404")
        return {EDemoFault::NotFound, 0};
    if (name == u"500")
        return {EDemoFault::ServerError, 0};
    if (name == u"redirect")
        return {EDemoFault::Redirect, hasParam && param >= 0 ? param : 1};
    if (name == u"loop")
        return {EDemoFault::RedirectLoop, 0};
    return {};
}

QByteArray DemoBytes(int64_t offset, int64_t count)
{
    QByteArray out;
    if (offset < 0 || count <= 0)
        return out;
    out.resize(count);
    DemoBytesInto(offset, out.data(), count);
    return out;
}

void DemoBytesInto(int64_t offset, char* dst, int64_t count)
{
    const auto& p = Pattern();
    int64_t pos = offset % KPatternPeriod;
    while (count > 0) {
        const int64_t n = std::min(count, KPatternPeriod - pos);
        std::copy_n(p.data() + pos, n, dst);
        dst += n;
        count -= n;
        pos = 0;
    }
}

QString DemoSampleText(bool latin1Only)
{
    const QString latin = QStringLiteral("Gr\u00FC\u00DFe aus K\u00F6ln & \"Caf\u00E9\" <b>\u00A9</b>\r\nZeile 2");
    if (latin1Only)
        return latin;
    return latin + QStringLiteral(" \u6771\u4EAC \u041C\u043E\u0441\u043A\u0432\u0430 \u03A9");
}

QByteArray DemoSampleBody(const QString& encoding)
{
    if (encoding == u"latin1")
        return DemoSampleText(true).toLatin1();
    if (encoding == u"utf8")
        return DemoSampleText(false).toUtf8();
    if (encoding == u"utf8bom")
        return QByteArray("\xEF\xBB\xBF") + DemoSampleText(false).toUtf8();
    if (encoding == u"utf16le") {
        QStringEncoder encoder(QStringConverter::Utf16LE);
        return encoder(DemoSampleText(false));
    }
    return {};
}
