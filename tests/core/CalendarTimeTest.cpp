// Moments as local dates, past the end of a 32-bit time_t and before its start, in zones with
// and without daylight saving time, against Python's datetime with its own zoneinfo reader.
#include "core/CalendarTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "support/TestSupport.h"

namespace {

constexpr const char* kZones[] = {"UTC", "America/New_York", "Europe/Berlin",
                                  "Australia/Lord_Howe", "Asia/Kathmandu"};
// Both sides of 2^31 seconds, 2^32 + 12,345, a summer and a winter day in 2100, noon of the
// last day of 9999 (UTC), before 1901 and just before 1970.
constexpr int64_t kMoments[] = {2147483647,  2147483648,    4294979641, 4118108400,
                                4102444800,  253402257599, -2208988801, -2147483649, -1};

const char* const kPython = R"(
import sys
from datetime import datetime
from zoneinfo import ZoneInfo
for zone in sys.argv[1].split(','):
    for moment in map(int, sys.argv[2].split(',')):
        d = datetime.fromtimestamp(moment, ZoneInfo(zone))
        print(zone, moment, d.strftime('%Y-%m-%d %H:%M:%S'), d.isoweekday() % 7,
              d.timetuple().tm_yday, int(bool(d.dst())))
)";

std::string Joined(auto& items) {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : ",") + std::string(item);
  return text;
}

TEST(CalendarTime, LocalDatesPast2038AgreeWithPython) {
  std::vector<std::string> moments;
  for (int64_t moment : kMoments) moments.push_back(std::to_string(moment));
  const std::string expected =
      qvtest::ProgramOutput({"python3", "-c", kPython, Joined(kZones), Joined(moments)});
  ASSERT_NE(expected, "") << "python3 with zoneinfo did not run";
  const char* saved = std::getenv("TZ");
  const std::string previous = saved ? saved : "";
  std::ostringstream ours;
  for (const char* zone : kZones) {
    setenv("TZ", zone, 1);
    tzset();
    for (int64_t moment : kMoments) {
      std::tm fields;
      ASSERT_TRUE(LocalTimeOf(moment, &fields)) << zone << " " << moment;
      char text[64];
      std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &fields);
      ours << zone << " " << moment << " " << text << " " << fields.tm_wday << " "
           << fields.tm_yday + 1 << " " << (fields.tm_isdst > 0) << "\n";
    }
  }
  saved ? setenv("TZ", previous.c_str(), 1) : unsetenv("TZ");
  tzset();
  EXPECT_EQ(ours.str(), expected);
}

}  // namespace
