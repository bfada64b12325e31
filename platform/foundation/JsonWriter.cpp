#include "foundation/JsonWriter.h"

#include <QtCore/QStringList>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace kesvor::foundation {

namespace {

// Whole doubles up to 2^53 in magnitude are exact integers and written as such.
constexpr double largestExactInteger = 9007199254740992.0;

// Appends to a QString through a raw pointer. The string is lengthened to its
// capacity, or geometrically beyond, while writing, and cut to the written
// length when the sink goes away; the capacity stays for the next writer.
class Sink {
public:
    explicit Sink(QString& out)
        : m_out(out)
        , m_size(out.size())
    {
    }
    ~Sink() { m_out.resize(m_size); }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    void put(char16_t c)
    {
        reserve(1);
        m_data[m_size++] = c;
    }
    void put(QStringView text)
    {
        // An empty view may have no data at all, which memcpy must not see.
        if (text.isEmpty())
            return;
        reserve(text.size());
        std::memcpy(m_data + m_size, text.utf16(), size_t(text.size()) * sizeof(char16_t));
        m_size += text.size();
    }
    void putAscii(const char* text, qsizetype length)
    {
        reserve(length);
        for (qsizetype i = 0; i < length; ++i)
            m_data[m_size + i] = char16_t(text[i]);
        m_size += length;
    }
    template <qsizetype N> void putAscii(const char (&text)[N]) { putAscii(text, N - 1); }

private:
    void reserve(qsizetype count)
    {
        if (m_data && m_size + count <= m_out.size())
            return;
        m_out.resize(std::max({m_size + count, m_out.capacity(), 2 * m_size + 64}));
        m_data = reinterpret_cast<char16_t*>(m_out.data());
    }

    QString& m_out;
    qsizetype m_size;
    char16_t* m_data = nullptr;
};

bool isSpecial(char16_t c)
{
    return c < 0x20 || c == u'"' || c == u'\\' || QChar::isSurrogate(c);
}

// The first unit from p on that cannot be copied as it stands: a quote, a
// backslash, a control character or half of a surrogate pair. Strings are
// scanned eight units at a time where the processor allows.
const char16_t* findSpecial(const char16_t* p, const char16_t* end)
{
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi16(u'"');
    const __m128i backslash = _mm_set1_epi16(u'\\');
    const __m128i lastControl = _mm_set1_epi16(0x1f);
    const __m128i surrogateBits = _mm_set1_epi16(short(0xf800));
    const __m128i surrogate = _mm_set1_epi16(short(0xd800));
    for (; end - p >= 8; p += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i control =
            _mm_cmpeq_epi16(_mm_subs_epu16(units, lastControl), _mm_setzero_si128());
        const __m128i escaped =
            _mm_or_si128(_mm_cmpeq_epi16(units, quote), _mm_cmpeq_epi16(units, backslash));
        const __m128i halfPair = _mm_cmpeq_epi16(_mm_and_si128(units, surrogateBits), surrogate);
        const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(control, escaped), halfPair));
        if (hits != 0)
            return p + std::countr_zero(unsigned(hits)) / 2;
    }
#endif
    while (p < end && !isSpecial(*p))
        ++p;
    return p;
}

class Writer {
public:
    explicit Writer(QString& out)
        : m_sink(out)
    {
    }

    bool value(const QVariant& value);
    void string(QStringView text);

private:
    template <typename T> const T& get(const QVariant& value)
    {
        return *static_cast<const T*>(value.constData());
    }

    void integer(qint64 number);
    void unsignedInteger(quint64 number);
    bool real(double number);
    void escape(char16_t c);
    bool list(const QVariantList& list);
    void stringList(const QStringList& list);
    bool map(const QVariantMap& map);
    bool hash(const QVariantHash& hash);

    Sink m_sink;
};

bool Writer::value(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        m_sink.putAscii("null");
        return true;
    case QMetaType::Bool:
        if (get<bool>(value))
            m_sink.putAscii("true");
        else
            m_sink.putAscii("false");
        return true;
    case QMetaType::Int:
        integer(get<int>(value));
        return true;
    case QMetaType::UInt:
        integer(get<uint>(value));
        return true;
    case QMetaType::Short:
        integer(get<short>(value));
        return true;
    case QMetaType::UShort:
        integer(get<ushort>(value));
        return true;
    case QMetaType::Long:
        integer(get<long>(value));
        return true;
    case QMetaType::LongLong:
        integer(get<qlonglong>(value));
        return true;
    case QMetaType::ULong:
        unsignedInteger(get<ulong>(value));
        return true;
    case QMetaType::ULongLong:
        unsignedInteger(get<qulonglong>(value));
        return true;
    case QMetaType::Double:
        return real(get<double>(value));
    case QMetaType::Float:
        return real(double(get<float>(value)));
    case QMetaType::QString:
        string(get<QString>(value));
        return true;
    case QMetaType::QStringList:
        stringList(get<QStringList>(value));
        return true;
    case QMetaType::QVariantList:
        return list(get<QVariantList>(value));
    case QMetaType::QVariantMap:
        return map(get<QVariantMap>(value));
    case QMetaType::QVariantHash:
        return hash(get<QVariantHash>(value));
    default:
        return false;
    }
}

void Writer::integer(qint64 number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    m_sink.putAscii(digits, end - digits);
}

// Beyond qlonglong a JSON number is a double, as QJsonValue makes it.
void Writer::unsignedInteger(quint64 number)
{
    if (number <= quint64(std::numeric_limits<qint64>::max()))
        integer(qint64(number));
    else
        real(double(number));
}

bool Writer::real(double number)
{
    if (!std::isfinite(number))
        return false;
    if (std::trunc(number) == number && std::abs(number) <= largestExactInteger) {
        integer(qint64(number));
        return true;
    }
    const QByteArray text = QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
    m_sink.putAscii(text.constData(), text.size());
    return true;
}

void Writer::string(QStringView text)
{
    m_sink.put(u'"');
    const char16_t* run = text.utf16();
    const char16_t* const end = run + text.size();
    for (const char16_t* p = findSpecial(run, end); p < end; p = findSpecial(p, end)) {
        const char16_t c = *p;
        if (QChar::isHighSurrogate(c) && p + 1 < end && QChar::isLowSurrogate(p[1])) {
            p += 2;
            continue;
        }
        m_sink.put(QStringView(run, p));
        escape(c);
        run = ++p;
    }
    m_sink.put(QStringView(run, end));
    m_sink.put(u'"');
}

void Writer::escape(char16_t c)
{
    switch (c) {
    case u'"':
        m_sink.putAscii("\\\"");
        return;
    case u'\\':
        m_sink.putAscii("\\\\");
        return;
    case u'\b':
        m_sink.putAscii("\\b");
        return;
    case u'\f':
        m_sink.putAscii("\\f");
        return;
    case u'\n':
        m_sink.putAscii("\\n");
        return;
    case u'\r':
        m_sink.putAscii("\\r");
        return;
    case u'\t':
        m_sink.putAscii("\\t");
        return;
    default:
        break;
    }
    static constexpr char hex[] = "0123456789abcdef";
    const char escaped[] = {
        '\\', 'u', hex[(c >> 12) & 0xf], hex[(c >> 8) & 0xf], hex[(c >> 4) & 0xf], hex[c & 0xf]};
    m_sink.putAscii(escaped, sizeof escaped);
}

bool Writer::list(const QVariantList& list)
{
    m_sink.put(u'[');
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0)
            m_sink.put(u',');
        if (!value(list.at(i)))
            return false;
    }
    m_sink.put(u']');
    return true;
}

void Writer::stringList(const QStringList& list)
{
    m_sink.put(u'[');
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0)
            m_sink.put(u',');
        string(list.at(i));
    }
    m_sink.put(u']');
}

bool Writer::map(const QVariantMap& map)
{
    m_sink.put(u'{');
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it != map.cbegin())
            m_sink.put(u',');
        string(it.key());
        m_sink.put(u':');
        if (!value(it.value()))
            return false;
    }
    m_sink.put(u'}');
    return true;
}

// Keys in sorted order, as a map would have them.
bool Writer::hash(const QVariantHash& hash)
{
    QStringList keys = hash.keys();
    keys.sort();
    m_sink.put(u'{');
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (i > 0)
            m_sink.put(u',');
        string(keys.at(i));
        m_sink.put(u':');
        if (!value(hash.value(keys.at(i))))
            return false;
    }
    m_sink.put(u'}');
    return true;
}

} // namespace

bool JsonWriter::write(const QVariant& value, QString& out)
{
    return Writer(out).value(value);
}

void JsonWriter::writeString(QStringView text, QString& out)
{
    Writer(out).string(text);
}

} // namespace kesvor::foundation
