#include "data/CborEncoder.h"

#include "data/ValueKind.h"

#include "foundation/Json.h"

#include <cstring>

namespace kesvor::data {

namespace {

// Major types of the first byte.
constexpr quint8 unsignedInteger = 0;
constexpr quint8 negativeInteger = 1;
constexpr quint8 textString = 3;
constexpr quint8 array = 4;
constexpr quint8 map = 5;

// Simple values and the 64-bit float marker.
constexpr char falseValue = char(0xf4);
constexpr char trueValue = char(0xf5);
constexpr char nullValue = char(0xf6);
constexpr char doubleValue = char(0xfb);

} // namespace

QByteArray CborEncoder::encode(const QVariant& value)
{
    QByteArray out;
    out.reserve(128);
    CborEncoder(out).write(value);
    return out;
}

void CborEncoder::write(const QVariant& value)
{
    switch (valueKind(value)) {
    case ValueKind::Map:
        if (value.typeId() == QMetaType::QVariantMap)
            writeMap(*static_cast<const QVariantMap*>(value.constData()));
        else // a hash is written in key order, like a map
            writeMap(*foundation::Json::asMap(value));
        break;
    case ValueKind::List:
        if (value.typeId() == QMetaType::QVariantList)
            writeList(*static_cast<const QVariantList*>(value.constData()));
        else
            writeList(value.toList());
        break;
    case ValueKind::String:
        writeText(*static_cast<const QString*>(value.constData()));
        break;
    case ValueKind::Bool:
        m_out.append(value.toBool() ? trueValue : falseValue);
        break;
    case ValueKind::Integer:
        writeInteger(value.toLongLong());
        break;
    case ValueKind::Real:
        writeDouble(value.toDouble());
        break;
    default:
        m_out.append(nullValue);
    }
}

void CborEncoder::writeMap(const QVariantMap& values)
{
    writeHead(map, quint64(values.size()));
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        writeText(it.key());
        write(it.value());
    }
}

void CborEncoder::writeList(const QVariantList& values)
{
    writeHead(array, quint64(values.size()));
    for (const QVariant& element : values)
        write(element);
}

void CborEncoder::writeText(QStringView text)
{
    // ASCII, the usual case, is its own UTF-8: written without a conversion.
    const bool ascii =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        const QByteArray utf8 = text.toUtf8();
        writeHead(textString, quint64(utf8.size()));
        m_out.append(utf8);
        return;
    }
    writeHead(textString, quint64(text.size()));
    const qsizetype start = m_out.size();
    m_out.resize(start + text.size());
    char* out = m_out.data() + start;
    for (const QChar c : text)
        *out++ = char(c.unicode());
}

void CborEncoder::writeInteger(qint64 value)
{
    // A negative n is stored as -1 - n, which is never negative.
    if (value < 0)
        writeHead(negativeInteger, quint64(-1 - value));
    else
        writeHead(unsignedInteger, quint64(value));
}

void CborEncoder::writeDouble(double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    m_out.append(doubleValue);
    for (int shift = 56; shift >= 0; shift -= 8)
        m_out.append(char(bits >> shift));
}

// The first byte holds the major type and either the argument itself (below
// 24) or the size of the big-endian argument that follows.
void CborEncoder::writeHead(quint8 majorType, quint64 argument)
{
    const quint8 type = quint8(majorType << 5);
    int bytes = 0;
    if (argument < 24) {
        m_out.append(char(type | argument));
        return;
    }
    if (argument <= 0xff) {
        m_out.append(char(type | 24));
        bytes = 1;
    } else if (argument <= 0xffff) {
        m_out.append(char(type | 25));
        bytes = 2;
    } else if (argument <= 0xffffffffu) {
        m_out.append(char(type | 26));
        bytes = 4;
    } else {
        m_out.append(char(type | 27));
        bytes = 8;
    }
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        m_out.append(char(argument >> shift));
}

} // namespace kesvor::data
