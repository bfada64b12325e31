#include "foundation/DatePattern.h"

#include <QtCore/QHash>

#include <mutex>

namespace kesvor::foundation {

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

} // namespace

DatePattern::DatePattern(const QString& pattern)
{
    // Formatters are made often and from few patterns: tokenize each once.
    static std::mutex mutex;
    static QHash<QString, QList<Field>> cache;
    static const QList<Field> timestamp = tokenize(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.SSSZ"));
    const std::lock_guard lock(mutex);
    const auto found = cache.constFind(pattern);
    if (found != cache.cend()) {
        m_fields = *found;
    } else {
        m_fields = tokenize(pattern);
        if (cache.size() < 64)
            cache.insert(pattern, m_fields);
    }
    m_timestamp = m_fields == timestamp;
}

QList<DatePattern::Field> DatePattern::tokenize(const QString& pattern)
{
    QList<Field> fields;
    auto appendLiteral = [&fields](const QString& text) {
        if (text.isEmpty())
            return;
        if (!fields.isEmpty() && fields.last().letter == 0)
            fields.last().literal += text;
        else
            fields.append(Field{0, 0, text});
    };
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        if (c == u'\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
                appendLiteral(QStringLiteral("'"));
                i += 2;
                continue;
            }
            const qsizetype end = pattern.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end;
            appendLiteral(pattern.mid(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        if (!isAsciiLetter(c)) {
            appendLiteral(QString(c));
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        static const QString known = QStringLiteral("yMLdHhKkmsSaZXx");
        if (known.contains(c))
            fields.append(Field{c.unicode(), int(run), {}});
        else
            appendLiteral(pattern.mid(i, run));
        i += run;
    }
    return fields;
}

} // namespace kesvor::foundation
