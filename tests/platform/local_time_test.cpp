#include "platform/local_time.h"

#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

namespace orvel::platform {
namespace {

using test::Time;

// Runs a test in a fixed zone and puts the previous zone back afterwards.
class LocalTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
    UseZone("UTC0");
  }
  void TearDown() override {
    if (saved_)
      ::setenv("TZ", saved_->c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }
  static void UseZone(const char* zone) {
    ::setenv("TZ", zone, 1);
    ::tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(LocalTimeTest, FieldsOfAKnownInstant) {
  const LocalTime t = ToLocalTime(Time(1'700'000'000, 987'654'321));  // Tue 2023-11-14 22:13:20 UTC
  EXPECT_EQ(t.year, 2023);
  EXPECT_EQ(t.month, 11);
  EXPECT_EQ(t.day, 14);
  EXPECT_EQ(t.dayOfWeek, 2);
  EXPECT_EQ(t.hour, 22);
  EXPECT_EQ(t.minute, 13);
  EXPECT_EQ(t.second, 20);
  EXPECT_EQ(t.millisecond, 987);
  EXPECT_EQ(FormatDate(t), "2023/11/14 22:13:20");

  UseZone("JST-9");
  const LocalTime tokyo = ToLocalTime(Time(1'700'000'000));
  EXPECT_EQ(FormatDate(tokyo), "2023/11/15 07:13:20");
  EXPECT_EQ(tokyo.dayOfWeek, 3);
}

TEST_F(LocalTimeTest, FormatPadsEveryField) {
  EXPECT_EQ(FormatDate(Time(0)), "1970/01/01 00:00:00");
  EXPECT_EQ(FormatDate(Time(-62'135'596'800 + 3'723)), "0001/01/01 01:02:03");
  LocalTime manual;
  manual.year = 7;
  manual.month = 2;
  manual.day = 3;
  manual.hour = 4;
  manual.minute = 5;
  manual.second = 6;
  EXPECT_EQ(FormatDate(manual), "0007/02/03 04:05:06");
}

TEST_F(LocalTimeTest, TimesBefore1970) {
  const LocalTime t = ToLocalTime(Time(-1, 500'000'000));
  EXPECT_EQ(t.year, 1969);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 31);
  EXPECT_EQ(t.dayOfWeek, 3);
  EXPECT_EQ(t.millisecond, 500);
  EXPECT_EQ(FormatDate(Time(-1)), "1969/12/31 23:59:59");
  EXPECT_EQ(FormatDate(Time(-2'208'988'800)), "1900/01/01 00:00:00");
}

TEST_F(LocalTimeTest, UnrepresentableTimeGivesZeroFields) {
  const LocalTime t = ToLocalTime(Time(std::numeric_limits<std::int64_t>::max()));
  EXPECT_EQ(t.year, 0);
  EXPECT_EQ(t.month, 0);
  EXPECT_EQ(t.day, 0);
  EXPECT_EQ(t.millisecond, 0);
  EXPECT_EQ(FormatDate(Time(std::numeric_limits<std::int64_t>::max())), "0000/00/00 00:00:00");
  EXPECT_EQ(FormatDate(Time(std::numeric_limits<std::int64_t>::min())), "0000/00/00 00:00:00");
}

TEST_F(LocalTimeTest, RepeatedSecondsAndChangesAreBothRight) {
  EXPECT_EQ(FormatDate(Time(86'400 * 365)), "1971/01/01 00:00:00");
  EXPECT_EQ(FormatDate(Time(86'400 * 365, 999'999'999)), "1971/01/01 00:00:00");
  EXPECT_EQ(FormatDate(Time(86'400 * 365 + 1)), "1971/01/01 00:00:01");
  EXPECT_EQ(FormatDate(Time(86'400 * 365)), "1971/01/01 00:00:00");
  EXPECT_EQ(FormatDate(Time(86'400 * 365 - 1)), "1970/12/31 23:59:59");
}

}  // namespace
}  // namespace orvel::platform
