#include "View/CustomDateFormatter.h"
#include "clock/SntpResponder.h"
#include "net/NHNetworkClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QtCore/QTimeZone>

#include <ctime>
#include <memory>

using namespace std::chrono_literals;
using kesvor::CustomDateFormatter;
using kesvor::net::NHNetworkClock;
using kesvor::test::SntpResponder;

namespace {

class SectionDateTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    static void setDeviceTimeZone(const char* zone)
    {
        qputenv("TZ", zone);
        tzset();
    }

    // Makes the network clock read `now` (give or take a round trip) while
    // the device clock keeps the machine's real time.
    void setNetworkNow(const QDateTime& now)
    {
        const auto offset = std::chrono::milliseconds(QDateTime::currentDateTimeUtc().msecsTo(now));
        m_responder = std::make_unique<SntpResponder>(offset);
        NHNetworkClock* clock = NHNetworkClock::sharedNetworkClock();
        auto options = clock->options();
        options.servers = {m_responder->entry()};
        options.sampleInterval = 10ms;
        clock->setOptions(options);
        clock->synchronize();
        ASSERT_TRUE(kesvor::test::waitUntil([&] { return !clock->isSynchronizing(); }));
        ASSERT_LT(std::abs(kesvor::net::networkDate().msecsTo(now)), 1000);
    }

    static QDateTime utc(int y, int m, int d, int h = 12)
    {
        return QDateTime(QDate(y, m, d), QTime(h, 0), QTimeZone::utc());
    }

private:
    std::unique_ptr<SntpResponder> m_responder;
};

} // namespace

TEST_F(SectionDateTest, TodayAndYesterdayFollowTheNetworkDayAcrossMonthsAndYears)
{
    setDeviceTimeZone("UTC");
    struct Case {
        QDateTime now;
        const char* today;
        const char* yesterday;
        const char* older;
        const char* olderTitle;
    };
    const Case cases[] = {
        {utc(2017, 4, 1), "2017-04-01", "2017-03-31", "2017-03-30", "30 Mar, 2017"},
        {utc(2018, 1, 1), "2018-01-01", "2017-12-31", "2017-12-30", "30 Dec, 2017"},
        {utc(2016, 3, 1), "2016-03-01", "2016-02-29", "2016-02-28", "28 Feb, 2016"},
        {utc(2017, 3, 5), "2017-03-05", "2017-03-04", "2017-03-03", "3 Mar, 2017"},
    };
    for (const Case& c : cases) {
        setNetworkNow(c.now);
        const CustomDateFormatter formatter;
        EXPECT_EQ(formatter.sectionDateString(c.today), "Today") << c.today;
        EXPECT_EQ(formatter.sectionDateString(c.yesterday), "Yesterday") << c.today;
        EXPECT_EQ(formatter.sectionDateString(c.older), c.olderTitle) << c.today;
    }
    // The same day number in another month or year is a date.
    const CustomDateFormatter formatter;
    EXPECT_EQ(formatter.sectionDateString("2017-02-05"), "5 Feb, 2017");
    EXPECT_EQ(formatter.sectionDateString("2016-03-05"), "5 Mar, 2016");
    EXPECT_EQ(formatter.sectionDateString("2017-03-06"), "6 Mar, 2017");
    for (const QString key : {"", "05/03/2017", "2017-02-30", "2017-03-05T00:00"})
        EXPECT_EQ(formatter.sectionDateString(key), std::nullopt) << key.toStdString();
}

TEST_F(SectionDateTest, DaysAreCountedInTheDeviceTimeZone)
{
    // 20:00 GMT on 31 March is already 1 April in Tokyo and still 31 March in Los Angeles.
    setNetworkNow(utc(2017, 3, 31, 20));
    setDeviceTimeZone("Asia/Tokyo");
    EXPECT_EQ(CustomDateFormatter().sectionDateString("2017-04-01"), "Today");
    EXPECT_EQ(CustomDateFormatter().sectionDateString("2017-03-31"), "Yesterday");
    setDeviceTimeZone("America/Los_Angeles");
    EXPECT_EQ(CustomDateFormatter().sectionDateString("2017-03-31"), "Today");
    EXPECT_EQ(CustomDateFormatter().sectionDateString("2017-03-30"), "Yesterday");
    EXPECT_EQ(CustomDateFormatter().sectionDateString("2017-04-01"), "1 Apr, 2017");

    // A wire time of 23:30 GMT is the next morning two hours east.
    setDeviceTimeZone("Etc/GMT-2");
    const CustomDateFormatter formatter;
    const auto instant = formatter.RFC3339DateFormatter.dateFromString(
        QStringLiteral("2017-03-05T23:30:00.000+0000"));
    ASSERT_TRUE(instant);
    EXPECT_EQ(formatter.onlyDateStringFormatter.stringFromDate(*instant), "2017-03-06");
    EXPECT_EQ(formatter.timeFormatter.stringFromDate(*instant), "01:30 AM");
    EXPECT_EQ(formatter.sectionDateFormatter.stringFromDate(*instant), "6 Mar, 2017");
    EXPECT_EQ(formatter.RFC3339DateFormatter.stringFromDate(*instant),
              "2017-03-05T23:30:00.000+0000");
}

TEST_F(SectionDateTest, ADayWhoseMidnightWasSkippedStillHasItsTitle)
{
    // Daylight saving began at midnight: 13 August 2017 started at 01:00.
    setDeviceTimeZone("America/Santiago");
    const CustomDateFormatter formatter;
    const auto day = formatter.onlyDateStringFormatter.dateFromString(u"2017-08-13");
    ASSERT_TRUE(day);
    EXPECT_EQ(*day, QDateTime(QDate(2017, 8, 13), QTime(4, 0), QTimeZone::utc()))
        << "the first moment after the gap, 01:00 at UTC-3";
    EXPECT_EQ(formatter.onlyDateStringFormatter.stringFromDate(*day), "2017-08-13");
    EXPECT_EQ(formatter.sectionDateString("2017-08-13"), "13 Aug, 2017");
    EXPECT_EQ(formatter.sectionDateString("2017-08-12"), "12 Aug, 2017");
}
