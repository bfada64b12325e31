#pragma once

#include <QtCore/QList>
#include <QtCore/QString>

namespace kesvor::foundation {

/// A date-format pattern split into its fields (a letter repeated, "yyyy")
/// and the literal text between them. Quoted text is literal ('' is a quote),
/// as is every letter that names no field a date formatter knows.
class DatePattern {
public:
    struct Field {
        char16_t letter = 0; // 0 for a literal
        int count = 0;
        QString literal;

        /// Written as digits (a month only when it is not a name).
        bool isNumeric() const
        {
            switch (letter) {
            case u'M':
            case u'L':
                return count <= 2;
            case u'y':
            case u'd':
            case u'H':
            case u'h':
            case u'K':
            case u'k':
            case u'm':
            case u's':
            case u'S':
                return true;
            default:
                return false;
            }
        }

        friend bool operator==(const Field&, const Field&) = default;
    };

    /// No fields: an empty pattern.
    DatePattern() = default;
    explicit DatePattern(const QString& pattern);

    const QList<Field>& fields() const { return m_fields; }
    /// The fields of "yyyy-MM-dd'T'HH:mm:ss.SSSZ", the pattern of timestamps.
    bool isTimestamp() const { return m_timestamp; }

private:
    static QList<Field> tokenize(const QString& pattern);

    QList<Field> m_fields;
    bool m_timestamp = false;
};

} // namespace kesvor::foundation
