// The JSON rows' base_mtime and target_mtime: RFC 3339 in UTC with
// nanoseconds, whatever the time zone, null where the date column is empty.

#include "cli_process.h"
#include "output.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <map>

namespace orvel::test {
namespace {

TEST(CliJsonTime, Rfc3339InUtcWithNanoseconds) {
  const struct {
    platform::FileTime time;
    const char* text;
  } cases[] = {
      {{0, 0}, "1970-01-01T00:00:00.000000000Z"},
      {{1700000000, 123456789}, "2023-11-14T22:13:20.123456789Z"},
      {{1600000000, 5}, "2020-09-13T12:26:40.000000005Z"},
      {{951782400, 0}, "2000-02-29T00:00:00.000000000Z"},  // a leap day of a leap century
      {{-1, 999999999}, "1969-12-31T23:59:59.999999999Z"},
      {{-86400, 0}, "1969-12-31T00:00:00.000000000Z"},
      {{-301246200, 0}, "1960-06-15T08:30:00.000000000Z"},
      {{-2208988800, 0}, "1900-01-01T00:00:00.000000000Z"},  // 1900 has no leap day
      {{-11670912000, 0}, "1600-03-01T00:00:00.000000000Z"},
      {{-62135596800, 0}, "0001-01-01T00:00:00.000000000Z"},
      {{253402300799, 999999999}, "9999-12-31T23:59:59.999999999Z"},
      // Beyond four digits: ISO 8601's expanded years.
      {{253402300800, 0}, "+10000-01-01T00:00:00.000000000Z"},
      {{-62167219201, 0}, "-0001-12-31T23:59:59.000000000Z"},
  };
  for (const auto& c : cases) {
    std::string text;
    cli::AppendRfc3339Time(text, c.time);
    EXPECT_EQ(text, c.text) << c.time.sec << "." << c.time.nsec;
  }
}

// The raw value of a key in a JSON line of ours (a string without commas, or null).
std::string Field(const std::string& line, const std::string& key) {
  const std::string start = "\"" + key + "\":";
  const auto at = line.find(start);
  if (at == std::string::npos) return "(missing)";
  const auto from = at + start.size();
  return line.substr(from, line.find_first_of(",}", from) - from);
}

// name -> line
std::map<std::string, std::string> JsonRows(const std::string& out) {
  std::map<std::string, std::string> rows;
  for (const auto& line : Lines(out)) rows[Field(line, "name")] = line;
  return rows;
}

TEST(CliJsonTime, TheTimesDoNotDependOnTheTimeZoneAndFollowTheDates) {
  constexpr std::int64_t kT = 1600000000;  // 2020-09-13 12:26:40 UTC
  TempDir dir;
  WriteFile(dir / "base/both.txt", "new", Time(kT, 123456789));
  WriteFile(dir / "target/both.txt", "old", Time(kT - 100));
  WriteFile(dir / "base/old.txt", "1960", Time(-301246200));
  WriteFile(dir / "target/tonly.txt", "t", Time(kT, 5));

  const struct {
    const char* name;
    std::string baseTime;
    std::string targetTime;
  } expected[] = {
      {"\"both.txt\"", "\"2020-09-13T12:26:40.123456789Z\"", "\"2020-09-13T12:25:00.000000000Z\""},
      {"\"old.txt\"", "\"1960-06-15T08:30:00.000000000Z\"", "null"},
      {"\"tonly.txt\"", "null", "\"2020-09-13T12:26:40.000000005Z\""},
  };
  std::map<std::string, std::string> dates;  // name -> base_date in UTC
  for (const char* zone : {"TZ=UTC", "TZ=JST-9"}) {
    SCOPED_TRACE(zone);
    const CliResult r = RunCliWith({zone}, {"list", "--json", dir / "base", dir / "target"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = JsonRows(RowsOf(r.out));
    ASSERT_EQ(rows.size(), std::size(expected)) << r.out;
    for (const auto& e : expected) {
      SCOPED_TRACE(e.name);
      ASSERT_EQ(rows.count(e.name), 1u);
      const std::string& line = rows.at(e.name);
      EXPECT_EQ(Field(line, "base_mtime"), e.baseTime);
      EXPECT_EQ(Field(line, "target_mtime"), e.targetTime);
      // The date texts are local: the zone changes them and nothing else.
      if (dates.count(e.name)) {
        EXPECT_NE(Field(line, "base_date") + Field(line, "target_date"), dates[e.name]);
      }
      dates[e.name] = Field(line, "base_date") + Field(line, "target_date");
    }
  }

  // After the copies each side shows the source's time, as the dates do, and
  // as the copied entries have.
  const CliResult r = RunCli({"sync", "--json", dir / "base", dir / "target"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = JsonRows(RowsOf(r.out));
  ASSERT_EQ(rows.size(), 3u) << r.out;
  EXPECT_EQ(Field(rows.at("\"both.txt\""), "target_mtime"), "\"2020-09-13T12:26:40.123456789Z\"");
  EXPECT_EQ(Field(rows.at("\"both.txt\""), "target_date"), Field(rows.at("\"both.txt\""), "base_date"));
  EXPECT_EQ(Field(rows.at("\"old.txt\""), "target_mtime"), "\"1960-06-15T08:30:00.000000000Z\"");
  EXPECT_EQ(Field(rows.at("\"tonly.txt\""), "base_mtime"), "\"2020-09-13T12:26:40.000000005Z\"");
  EXPECT_EQ(TimeOf(dir / "target/both.txt"), Time(kT, 123456789));
  EXPECT_EQ(TimeOf(dir / "base/tonly.txt"), Time(kT, 5));
}

}  // namespace
}  // namespace orvel::test
