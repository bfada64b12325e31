#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QVariant>

namespace kesvor::data {

/// Writes JSON-typed values as CBOR straight into a byte array: maps with
/// text keys, arrays, text (UTF-8), integers in their shortest form, doubles
/// as 64-bit floats, booleans and null. Anything else (no value, JSON null, a
/// type JSON does not have) is written as null. The bytes are the ones
/// QCborStreamWriter writes for the same calls.
class CborEncoder {
public:
    static QByteArray encode(const QVariant& value);

private:
    explicit CborEncoder(QByteArray& out)
        : m_out(out)
    {
    }

    void write(const QVariant& value);
    void writeMap(const QVariantMap& map);
    void writeList(const QVariantList& list);
    void writeText(QStringView text);
    void writeInteger(qint64 value);
    void writeDouble(double value);
    void writeHead(quint8 majorType, quint64 argument);

    QByteArray& m_out;
};

} // namespace kesvor::data
