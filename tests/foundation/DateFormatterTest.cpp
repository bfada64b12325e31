#include "foundation/DateFormatter.h"

#include <gtest/gtest.h>

#include <QtCore/QTimeZone>

using kesvor::foundation::DateFormatter;

namespace {

DateFormatter wireFormatter()
{
    return DateFormatter(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.SSSZ"), DateFormatter::posixLocale(),
                         QTimeZone::utc());
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc());
}

} // namespace

TEST(DateFormatterTest, WireTimestampsParseToTheInstantWhateverZoneNotationTheyUse)
{
    const DateFormatter formatter = wireFormatter();
    const QDateTime instant = utc(2017, 3, 1, 10, 15, 30, 123);
    for (const char* text : {"2017-03-01T10:15:30.123+0000", "2017-03-01T10:15:30.123Z",
                             "2017-03-01T11:15:30.123+01:00", "2017-03-01T05:15:30.123-0500",
                             "2017-03-01T15:45:30.123+0530", "2017-03-01T10:15:30.123GMT"}) {
        const auto parsed = formatter.dateFromString(QString::fromLatin1(text));
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(parsed->toMSecsSinceEpoch(), instant.toMSecsSinceEpoch()) << text;
    }
    EXPECT_EQ(formatter.stringFromDate(instant), QStringLiteral("2017-03-01T10:15:30.123+0000"));
    EXPECT_EQ(formatter.stringFromDate(instant.toTimeZone(QTimeZone("Asia/Tokyo"))),
              QStringLiteral("2017-03-01T10:15:30.123+0000"));
}

TEST(DateFormatterTest, TextThatDoesNotMatchThePatternOrNamesNoDateIsRefused)
{
    const DateFormatter formatter = wireFormatter();
    for (const char* text :
         {"2017-03-01T10:15:30+0000", "2017-03-01 10:15:30.123+0000", "2017-03-01T10:15:30.123",
          "2017-03-01T10:15:30.123+0000 ", "2017-02-30T10:15:30.123+0000",
          "2017-13-01T10:15:30.123+0000", "2017-03-01T24:15:30.123+0000",
          "2017-03-01T10:61:30.123+0000", "2017-03-01T10:15:30.123+2500", "", "yesterday",
          "2017-03-01T10:15:30.abc+0000"})
        EXPECT_FALSE(formatter.dateFromString(QString::fromLatin1(text))) << text;
}

TEST(DateFormatterTest, LocalFieldsFollowTheFormattersZoneAndLocale)
{
    const QDateTime instant = utc(2017, 3, 5, 23, 30, 0, 0);
    DateFormatter day(QStringLiteral("yyyy-MM-dd"), DateFormatter::posixLocale(),
                      QTimeZone("Africa/Cairo"));
    EXPECT_EQ(day.stringFromDate(instant), QStringLiteral("2017-03-06"));
    day.setTimeZone(QTimeZone("America/New_York"));
    EXPECT_EQ(day.stringFromDate(instant), QStringLiteral("2017-03-05"));
    const auto midnight = day.dateFromString(QStringLiteral("2017-03-05"));
    ASSERT_TRUE(midnight);
    EXPECT_EQ(*midnight, utc(2017, 3, 5, 5, 0, 0, 0));

    const DateFormatter time(QStringLiteral("hh:mm a"), DateFormatter::posixLocale(),
                             QTimeZone::utc());
    EXPECT_EQ(time.stringFromDate(instant), QStringLiteral("11:30 PM"));
    EXPECT_EQ(time.stringFromDate(utc(2017, 3, 5, 0, 5, 0, 0)), QStringLiteral("12:05 AM"));
    EXPECT_EQ(time.stringFromDate(utc(2017, 3, 5, 12, 5, 0, 0)), QStringLiteral("12:05 PM"));
    ASSERT_TRUE(time.dateFromString(QStringLiteral("12:05 am")));
    EXPECT_EQ(time.dateFromString(QStringLiteral("12:05 am"))->time(), QTime(0, 5));
    EXPECT_FALSE(time.dateFromString(QStringLiteral("13:05 PM")));

    const DateFormatter section(QStringLiteral("d MMM, yyyy"), DateFormatter::posixLocale(),
                                QTimeZone::utc());
    EXPECT_EQ(section.stringFromDate(instant), QStringLiteral("5 Mar, 2017"));
    ASSERT_TRUE(section.dateFromString(QStringLiteral("31 dec, 2016")));
    EXPECT_EQ(section.dateFromString(QStringLiteral("31 dec, 2016"))->date(), QDate(2016, 12, 31));

    const DateFormatter quoted(QStringLiteral("'Day' d 'of' M, ''yy"), DateFormatter::posixLocale(),
                               QTimeZone::utc());
    EXPECT_EQ(quoted.stringFromDate(instant), QStringLiteral("Day 5 of 3, '17"));
}
