#include "services/core/DurationText.h"

#include <gtest/gtest.h>

#include <regex>

TEST(DurationText, MinutesSecondsAndMilliseconds) {
    EXPECT_EQ(DurationText(0), "000'00.000");
    EXPECT_EQ(DurationText(62500), "001'02.500");
    EXPECT_EQ(DurationText(999), "000'00.999");
}

TEST(DurationText, HoursStayInTheMinutes) {
    EXPECT_EQ(DurationText(3599999), "059'59.999");
    EXPECT_EQ(DurationText(3600000), "060'00.000");
    EXPECT_EQ(DurationText(59999999), "999'59.999");
    EXPECT_EQ(DurationText(60000000), "1000'00.000");
    EXPECT_EQ(DurationText(INT32_MAX), "35791'23.647");
}

TEST(DurationText, NegativeCountsAsZero) {
    EXPECT_EQ(DurationText(-5), "000'00.000");
    EXPECT_EQ(DurationText(INT32_MIN), "000'00.000");
}

TEST(LogTimestamp, FieldsAreZeroFilled) {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 9;
    t.tm_min = 7;
    t.tm_sec = 2;
    EXPECT_EQ(LogTimestampOf(t), "2024/03/05 09:07:02");
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    EXPECT_EQ(LogTimestampOf(t), "2024/12/31 23:59:59");
}

TEST(LogTimestamp, NowHasTheLogShape) {
    EXPECT_TRUE(
        std::regex_match(LogTimestamp(), std::regex(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2})")));
}

TEST(LogTimestamp, SecondsAreTruncated) {
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    setenv("TZ", "UTC", 1);
    tzset();
    using namespace std::chrono;
    const auto moment = sys_days{year{2024} / 3 / 5} + hours{9} + minutes{7} + milliseconds{2750};
    EXPECT_EQ(LogTimestampAt(moment), "2024/03/05 09:07:02");
    EXPECT_EQ(LogTimestampAt(moment + milliseconds{249}), "2024/03/05 09:07:02");
    if (oldTz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
