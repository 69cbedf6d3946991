#include "TestEnvironment.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

namespace {

using namespace DateTimeUtils;

TEST(DateTime, EncodesDaysSinceTheEpochOf1899) {
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 1, 1, 12, 0, 0, 0}), 2.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2000, 3, 1, 6, 0, 0, 0}), 36586.25);
    const TDateTimeParts p = DecodeDateTime(EncodeDateTime({2026, 12, 7, 14, 3, 59, 120}));
    EXPECT_EQ((std::vector<int>{p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.MilliSecond}),
              (std::vector<int>{2026, 12, 7, 14, 3, 59, 120}));
    // Before the epoch the fraction still counts forward from midnight.
    const TDateTimeParts q = DecodeDateTime(-1.25);
    EXPECT_EQ((std::vector<int>{q.Year, q.Month, q.Day, q.Hour}), (std::vector<int>{1899, 12, 29, 6}));
}

TEST(DateTime, FormatsAndParsesInTheUsersLocale) {
    const TDateTime t = EncodeDateTime({2026, 12, 7, 14, 3, 59, 0});
    EXPECT_EQ(FormatShortDate(t), "12/07/26");  // C.UTF-8: %m/%d/%y
    EXPECT_EQ(FormatLongTime(t), "14:03:59");
    EXPECT_EQ(DateTimeToStr(t), "12/07/26 14:03:59");
    EXPECT_EQ(DateTimeToStr(EncodeDateTime({2026, 12, 7, 0, 0, 0, 0})), "12/07/26");  // midnight: no time
    EXPECT_EQ(TimeSeparator(), ':');

    TDateTime back = 0;
    ASSERT_TRUE(TryStrToDateTime(" 12/07/26 14:03:59 ", back));
    EXPECT_DOUBLE_EQ(back, t);
    ASSERT_TRUE(TryStrToDateTime("12/07/26", back));
    EXPECT_DOUBLE_EQ(back, EncodeDateTime({2026, 12, 7, 0, 0, 0, 0}));
    for (const char* bad : {"", "02/31/26 10:00:00", "12/07/26 25:00:00", "12/07/26 14:03:59 extra", "07.12.2026"})
        EXPECT_FALSE(TryStrToDateTime(bad, back)) << bad;
    EXPECT_THROW(StrToDateTime("garbage"), EConvertError);
}

TEST(DateTime, LocalTimeFollowsTheTimeZone) {
    TestEnv::SetTimeZone("Europe/Berlin");
    const std::time_t summer = 1782900000;  // 2026-07-01 10:00 UTC
    EXPECT_EQ(LocalOffsetMinutes(summer), 120);
    const TDateTimeParts p = DecodeDateTime(FromTimeT(summer));
    EXPECT_EQ(p.Hour, 12);
    EXPECT_EQ(ToTimeT(FromTimeT(summer)), summer);
    TestEnv::SetTimeZone("UTC");
    EXPECT_EQ(LocalOffsetMinutes(summer), 0);
}

}  // namespace
