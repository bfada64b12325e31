#include "foundation/JsonReader.h"

#include <QtCore/QVarLengthArray>
#include <QtCore/QVariantMap>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>

namespace kesvor::foundation {

namespace {

constexpr int maxDepth = 1024;
// 2^63: doubles below it in magnitude convert to qlonglong exactly.
constexpr double twoToThe63 = 9223372036854775808.0;

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

int hexValue(char16_t c)
{
    if (isDigit(c))
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Strings are scanned eight units at a time where the processor allows.
const char16_t* findQuoteOrBackslash(const char16_t* p, const char16_t* end)
{
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi16(u'"');
    const __m128i backslash = _mm_set1_epi16(u'\\');
    for (; end - p >= 8; p += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int hits = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi16(units, quote), _mm_cmpeq_epi16(units, backslash)));
        if (hits != 0)
            return p + std::countr_zero(unsigned(hits)) / 2;
    }
#endif
    while (p < end && *p != u'"' && *p != u'\\')
        ++p;
    return p;
}

// Object keys repeat from one document to the next. The last few hundred short
// ones are kept, per thread, and handed out again instead of new copies.
class KeyCache {
public:
    QString key(QStringView text)
    {
        if (text.size() > maxLength)
            return text.toString();
        size_t hash = 2166136261u;
        for (const QChar c : text)
            hash = (hash ^ c.unicode()) * 16777619u;
        QString& cached = m_keys[hash % m_keys.size()];
        if (cached != text)
            cached = text.toString();
        return cached;
    }

    static KeyCache& forThisThread()
    {
        thread_local KeyCache cache;
        return cache;
    }

private:
    static constexpr qsizetype maxLength = 32;
    std::array<QString, 256> m_keys;
};

// A recursive descent over UTF-16 text; every function leaves m_pos after
// what it read, or fails.
class Reader {
public:
    explicit Reader(QStringView text)
        : m_pos(text.utf16())
        , m_end(m_pos + text.size())
    {
    }

    bool value(QVariant& out);
    bool array(QVariantList& out);
    bool object(QVariantMap& out);
    void skipSpace()
    {
        while (m_pos < m_end &&
               (*m_pos == u' ' || *m_pos == u'\n' || *m_pos == u'\r' || *m_pos == u'\t'))
            ++m_pos;
    }
    // A byte order mark may open a document.
    void skipByteOrderMark()
    {
        if (at(u'\uFEFF'))
            ++m_pos;
    }
    bool atEnd() const { return m_pos == m_end; }
    bool at(char16_t c) const { return m_pos < m_end && *m_pos == c; }

private:
    bool enter() { return ++m_depth <= maxDepth; }
    void leave() { --m_depth; }
    bool string(QString& out);
    bool key(KeyCache& keys, QString& out);
    bool escapedString(const char16_t* start, QString& out);
    bool number(QVariant& out);
    bool literal(QStringView word);

    const char16_t* m_pos;
    const char16_t* const m_end;
    int m_depth = 0;
};

bool Reader::value(QVariant& out)
{
    if (m_pos == m_end)
        return false;
    switch (*m_pos) {
    case u'"': {
        QString text;
        if (!string(text))
            return false;
        out = std::move(text);
        return true;
    }
    case u'[': {
        QVariantList list;
        if (!array(list))
            return false;
        out = std::move(list);
        return true;
    }
    case u'{': {
        QVariantMap map;
        if (!object(map))
            return false;
        out = std::move(map);
        return true;
    }
    case u't':
        out = true;
        return literal(u"true");
    case u'f':
        out = false;
        return literal(u"false");
    case u'n':
        out = QVariant::fromValue(nullptr);
        return literal(u"null");
    default:
        return number(out);
    }
}

bool Reader::literal(QStringView word)
{
    if (m_end - m_pos < word.size() || QStringView(m_pos, word.size()) != word)
        return false;
    m_pos += word.size();
    return true;
}

bool Reader::array(QVariantList& out)
{
    if (!enter())
        return false;
    ++m_pos; // [
    skipSpace();
    if (at(u']')) {
        ++m_pos;
        leave();
        return true;
    }
    for (;;) {
        QVariant element;
        if (!value(element))
            return false;
        out.append(std::move(element));
        skipSpace();
        if (at(u']')) {
            ++m_pos;
            leave();
            return true;
        }
        if (!at(u','))
            return false;
        ++m_pos;
        skipSpace();
    }
}

// Built as a std::map, which takes keys and values without copies and is
// handed to QVariantMap whole; keys that arrive in order go in at the end.
bool Reader::object(QVariantMap& out)
{
    if (!enter())
        return false;
    ++m_pos; // {
    skipSpace();
    std::map<QString, QVariant> entries;
    if (at(u'}')) {
        ++m_pos;
        leave();
        return true;
    }
    KeyCache& keys = KeyCache::forThisThread();
    for (;;) {
        QString key;
        if (!at(u'"') || !this->key(keys, key))
            return false;
        skipSpace();
        if (!at(u':'))
            return false;
        ++m_pos;
        skipSpace();
        QVariant element;
        if (!value(element))
            return false;
        // A repeated key keeps its last value.
        entries.insert_or_assign(entries.end(), std::move(key), std::move(element));
        skipSpace();
        if (at(u'}')) {
            ++m_pos;
            leave();
            out = QVariantMap(std::move(entries));
            return true;
        }
        if (!at(u','))
            return false;
        ++m_pos;
        skipSpace();
    }
}

// Most strings have no escapes and are copied in one go.
bool Reader::string(QString& out)
{
    const char16_t* const start = ++m_pos; // "
    m_pos = findQuoteOrBackslash(m_pos, m_end);
    if (m_pos == m_end)
        return false;
    if (*m_pos == u'"') {
        out = QString(reinterpret_cast<const QChar*>(start), m_pos - start);
        ++m_pos;
        return true;
    }
    return escapedString(start, out);
}

bool Reader::key(KeyCache& keys, QString& out)
{
    const char16_t* const start = ++m_pos; // "
    m_pos = findQuoteOrBackslash(m_pos, m_end);
    if (m_pos == m_end)
        return false;
    if (*m_pos == u'"') {
        out = keys.key(QStringView(start, m_pos));
        ++m_pos;
        return true;
    }
    return escapedString(start, out);
}

bool Reader::escapedString(const char16_t* start, QString& out)
{
    out.reserve(m_pos - start + 16);
    out.append(QStringView(start, m_pos));
    while (m_pos < m_end) {
        const char16_t c = *m_pos++;
        if (c == u'"')
            return true;
        if (c != u'\\') {
            out.append(QChar(c));
            continue;
        }
        if (m_pos == m_end)
            return false;
        const char16_t escaped = *m_pos++;
        switch (escaped) {
        case u'b':
            out.append(u'\b');
            break;
        case u'f':
            out.append(u'\f');
            break;
        case u'n':
            out.append(u'\n');
            break;
        case u'r':
            out.append(u'\r');
            break;
        case u't':
            out.append(u'\t');
            break;
        case u'u': {
            if (m_end - m_pos < 4)
                return false;
            int code = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = hexValue(m_pos[i]);
                if (digit < 0)
                    return false;
                code = code * 16 + digit;
            }
            m_pos += 4;
            out.append(QChar(char16_t(code)));
            break;
        }
        default:
            // Any other escaped ASCII character stands for itself.
            if (escaped >= 0x80)
                return false;
            out.append(QChar(escaped));
        }
    }
    return false;
}

// Numbers without fraction or exponent that fit qlonglong are integers; all
// others are doubles, which become integers again when they are whole and in
// range. Doubles beyond the range of double, or so small they would be zero,
// are refused.
bool Reader::number(QVariant& out)
{
    const char16_t* const start = m_pos;
    bool negative = false;
    if (at(u'-')) {
        negative = true;
        ++m_pos;
    }
    qsizetype digits = 0;
    quint64 magnitude = 0;
    bool overflow = false;
    if (at(u'0')) {
        ++m_pos;
        ++digits;
    } else {
        while (m_pos < m_end && isDigit(*m_pos)) {
            const unsigned digit = *m_pos++ - u'0';
            overflow = overflow || magnitude > (std::numeric_limits<quint64>::max() - digit) / 10;
            magnitude = magnitude * 10 + digit;
            ++digits;
        }
    }
    bool whole = true;
    if (at(u'.')) {
        whole = false;
        ++m_pos;
        while (m_pos < m_end && isDigit(*m_pos)) {
            ++m_pos;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (at(u'e') || at(u'E')) {
        whole = false;
        ++m_pos;
        if (at(u'+') || at(u'-'))
            ++m_pos;
        const char16_t* const exponent = m_pos;
        while (m_pos < m_end && isDigit(*m_pos))
            ++m_pos;
        if (m_pos == exponent)
            return false;
    }

    const quint64 limit = quint64(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0);
    if (whole && !overflow && magnitude <= limit) {
        out = negative ? qlonglong(0 - magnitude) : qlonglong(magnitude);
        return true;
    }

    // Every character scanned is ASCII.
    QVarLengthArray<char, 64> ascii(m_pos - start);
    for (qsizetype i = 0; i < ascii.size(); ++i)
        ascii[i] = char(start[i]);
    double real = 0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), real);
    if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size())
        return false;
    if (std::trunc(real) == real && real >= -twoToThe63 && real < twoToThe63)
        out = qlonglong(real);
    else
        out = real;
    return true;
}

} // namespace

std::optional<QVariant> JsonReader::read(QStringView text)
{
    Reader reader(text);
    reader.skipByteOrderMark();
    reader.skipSpace();
    if (!reader.at(u'[') && !reader.at(u'{'))
        return std::nullopt;
    QVariant value;
    if (!reader.value(value))
        return std::nullopt;
    reader.skipSpace();
    if (!reader.atEnd())
        return std::nullopt;
    return value;
}

std::optional<QVariantList> JsonReader::readArray(QStringView text)
{
    Reader reader(text);
    reader.skipByteOrderMark();
    reader.skipSpace();
    if (!reader.at(u'['))
        return std::nullopt;
    QVariantList list;
    if (!reader.array(list))
        return std::nullopt;
    reader.skipSpace();
    if (!reader.atEnd())
        return std::nullopt;
    return list;
}

} // namespace kesvor::foundation
