#include "platform/file_time.h"

#include <gtest/gtest.h>

namespace orvel::platform {
namespace {

// The remembered state stores times as nanosecond counts: times before 1970
// keep their nanoseconds in 0 … 999,999,999 on the way back.
TEST(FileTimeTest, NanosecondCountsRoundTripOnBothSidesOfTheEpoch) {
  const struct {
    FileTime time;
    std::int64_t ns;
  } cases[] = {
      {{0, 0}, 0},
      {{1, 5}, 1000000005},
      {{1700000000, 123456789}, 1700000000123456789},
      {{-1, 999999999}, -1},
      {{-1, 0}, -1000000000},
      {{-2, 500000000}, -1500000000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToNanoseconds(c.time), c.ns) << c.time.sec << "." << c.time.nsec;
    EXPECT_EQ(FromNanoseconds(c.ns), c.time) << c.ns;
  }
}

}  // namespace
}  // namespace orvel::platform
