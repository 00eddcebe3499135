#include "message/mail_date.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/scoped_time_zone.h"

namespace tarvox {
namespace {

struct Case {
    std::string date;
    std::optional<std::string> expected;
};

void ExpectDates(const char* zone, const std::vector<Case>& cases) {
    ScopedTimeZone scoped(zone);
    for (const Case& c : cases) {
        EXPECT_EQ(ParseMailDate(c.date), c.expected) << zone << ": " << c.date;
    }
}

TEST(ParseMailDate, ReadsEachFormInUtc) {
    const std::vector<Case> cases = {
        {"Sat, 22 Mar 2003 11:33:30 +0100", "2003-03-22 10:33:30"},
        {"Sat, 22 Mar 2003 11:33:30 GMT", "2003-03-22 11:33:30"},  // no zone
        {"Sat, 22 Mar 2003 11:33 +0100", "2003-03-22 10:33:00"},   // no seconds
        {"22 Mar 2003 11:33:30 -0500", "2003-03-22 16:33:30"},     // no weekday
        {"22 Mar 2003 11:33:30", "2003-03-22 11:33:30"},
        {"Sat, 22 Mar 2003 11:33:30+0100 (CET)", "2003-03-22 10:33:30"},
        // "%u" skips white space before the number, ":" does not.
        {"22 Mar 2003 11: 33: 30", "2003-03-22 11:33:30"},
        {"22 Mar 2003 11 :33:30", std::nullopt},
        // Integer division keeps the sign in hours and minutes.
        {"1 Jan 2003 00:00:00 -0130", "2003-01-01 01:30:00"},
        {"1 Jan 2003 00:00:00 +0045", "2002-12-31 23:15:00"},
        {"yesterday", std::nullopt},
        {"Sat, 22 Mar 2003", std::nullopt},
        {"", std::nullopt},
    };
    ExpectDates("UTC", cases);
}

TEST(ParseMailDate, YearsMonthsAndOutOfRangeFields) {
    const std::vector<Case> cases = {
        {"1 Mar 03 00:00:00", "2003-03-01 00:00:00"},
        {"1 Mar 99 00:00:00", "2099-03-01 00:00:00"},
        {"1 Mar 150 00:00:00", "2050-03-01 00:00:00"},
        {"1 Mar 1969 00:00:00", "2069-03-01 00:00:00"},
        {"1 Mar 1970 00:00:00", "1970-03-01 00:00:00"},
        {"1 mAR 2003 00:00:00", "2003-03-01 00:00:00"},
        // An unknown month word is month 12: January of the next year.
        {"1 Foo 2003 00:00:00", "2004-01-01 00:00:00"},
        {"1 March 2003 00:00:00", "2004-01-01 00:00:00"},
        // "%u" reads "-1" as the largest unsigned value, which as the
        // day of the month is -1: two days before the 1st.
        {"-1 Mar 2003 00:00:00", "2003-02-27 00:00:00"},
        {"31 Feb 2003 24:00:00", "2003-03-04 00:00:00"},
    };
    ExpectDates("UTC", cases);
}

TEST(ParseMailDate, ShowsLocalTimeWithDaylightSaving) {
    ASSERT_TRUE(std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin"));
    const std::vector<Case> cases = {
        {"Sat, 22 Mar 2003 11:33:30 +0100", "2003-03-22 11:33:30"},
        {"Tue, 22 Jul 2003 11:33:30 +0000", "2003-07-22 13:33:30"},
        {"Tue, 22 Jul 2003 11:33:30", "2003-07-22 13:33:30"},
        // Summer time began at 01:00 UTC that day.
        {"Sun, 30 Mar 2003 00:59:59 +0000", "2003-03-30 01:59:59"},
        {"Sun, 30 Mar 2003 01:00:00 +0000", "2003-03-30 03:00:00"},
    };
    ExpectDates("Europe/Berlin", cases);
}

TEST(FormatMailDate, FallsBackForUnreadableDates) {
    ScopedTimeZone scoped("UTC");
    EXPECT_EQ(FormatMailDate("Sat, 22 Mar 2003 11:33:30 +0100"), "2003-03-22 10:33:30");
    EXPECT_EQ(FormatMailDate("not a date"), "2000-01-01 00:00:00");
}

TEST(LocalUtcOffset, IsTheStandardOffsetOfTheZone) {
    // The UTC clock is read as local time with daylight saving off, so the
    // result is the standard offset whatever the season.
    const std::pair<const char*, long> cases[] = {
        {"UTC", 0}, {"Europe/Berlin", 3600}, {"America/New_York", -5 * 3600}};
    for (const auto& [zone, expected] : cases) {
        ScopedTimeZone scoped(zone);
        EXPECT_EQ(LocalUtcOffset(), expected) << zone;
    }
}

}  // namespace
}  // namespace tarvox
