#include "message/mail_date.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "support/scoped_time_zone.h"

namespace tarvox {
namespace {

TEST(ParseMailDate, ReadsEachFormAsLocalTime) {
    const char* utc = "UTC";
    const char* berlin = "Europe/Berlin";
    const std::tuple<const char*, std::string, std::optional<std::string>> cases[] = {
        {utc, "Sat, 22 Mar 2003 11:33:30 +0100", "2003-03-22 10:33:30"},
        {utc, "Sat, 22 Mar 2003 11:33:30 GMT", "2003-03-22 11:33:30"},  // no zone
        {utc, "Sat, 22 Mar 2003 11:33 +0100", "2003-03-22 10:33:00"},   // no seconds
        {utc, "22 Mar 2003 11:33:30 -0500", "2003-03-22 16:33:30"},     // no weekday
        {utc, "22 Mar 2003 11:33:30", "2003-03-22 11:33:30"},
        {utc, "Sat, 22 Mar 2003 11:33:30+0100 (CET)", "2003-03-22 10:33:30"},
        // "%u" skips white space before the number, ":" does not.
        {utc, "22 Mar 2003 11: 33: 30", "2003-03-22 11:33:30"}, {utc, "22 Mar 2003 11 :33:30", {}},
        // Integer division keeps the sign in hours and minutes.
        {utc, "1 Jan 2003 00:00:00 -0130", "2003-01-01 01:30:00"},
        {utc, "1 Jan 2003 00:00:00 +0045", "2002-12-31 23:15:00"},
        {utc, "yesterday", {}}, {utc, "Sat, 22 Mar 2003", {}}, {utc, "", {}},
        // Years, months and out-of-range fields.
        {utc, "1 Mar 03 00:00:00", "2003-03-01 00:00:00"},
        {utc, "1 Mar 99 00:00:00", "2099-03-01 00:00:00"},
        {utc, "1 Mar 150 00:00:00", "2050-03-01 00:00:00"},
        {utc, "1 Mar 1969 00:00:00", "2069-03-01 00:00:00"},
        {utc, "1 Mar 1970 00:00:00", "1970-03-01 00:00:00"},
        {utc, "1 mAR 2003 00:00:00", "2003-03-01 00:00:00"},
        // An unknown month word is month 12: January of the next year.
        {utc, "1 Foo 2003 00:00:00", "2004-01-01 00:00:00"},
        {utc, "1 March 2003 00:00:00", "2004-01-01 00:00:00"},
        // "%u" reads "-1" as the largest unsigned value: as the day, two days before the 1st.
        {utc, "-1 Mar 2003 00:00:00", "2003-02-27 00:00:00"},
        {utc, "31 Feb 2003 24:00:00", "2003-03-04 00:00:00"},
        // Daylight saving; summer time began at 01:00 UTC on 30 March 2003.
        {berlin, "Sat, 22 Mar 2003 11:33:30 +0100", "2003-03-22 11:33:30"},
        {berlin, "Tue, 22 Jul 2003 11:33:30 +0000", "2003-07-22 13:33:30"},
        {berlin, "Tue, 22 Jul 2003 11:33:30", "2003-07-22 13:33:30"},
        {berlin, "Sun, 30 Mar 2003 00:59:59 +0000", "2003-03-30 01:59:59"},
        {berlin, "Sun, 30 Mar 2003 01:00:00 +0000", "2003-03-30 03:00:00"},
    };
    for (const auto& [zone, date, expected] : cases) {
        ScopedTimeZone scoped(zone);
        EXPECT_EQ(ParseMailDate(date), expected) << zone << ": " << date;
    }
    ScopedTimeZone scoped(utc);
    EXPECT_EQ(FormatMailDate("not a date"), "2000-01-01 00:00:00");
}

TEST(LocalUtcOffset, IsTheStandardOffsetOfTheZone) {
    // The UTC clock is read as local time with daylight saving off, whatever the season.
    const std::pair<const char*, long> cases[] = {
        {"UTC", 0}, {"Europe/Berlin", 3600}, {"America/New_York", -5 * 3600}};
    for (const auto& [zone, expected] : cases) {
        ScopedTimeZone scoped(zone);
        EXPECT_EQ(LocalUtcOffset(), expected) << zone;
    }
}

}  // namespace
}  // namespace tarvox
