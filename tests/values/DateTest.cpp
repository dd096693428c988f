// Dates: the calendar against Python's datetime (reformed years) and an independent Julian day
// formula (earlier ones), the normal form against the month-by-month walk it stands for, the
// texts, names and separator from the host's `date`, SQL forms, parsing and refusals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "values/VariantTestSupport.h"
#include "app/ExternalClasses.h"
#include "values/DateClass.h"
#include "values/DateNames.h"
#include "core/DayNumber.h"
#include "strings/StringFunctionsTestSupport.h"
#include "support/ChildLimits.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

constexpr int32_t kMonth = 1, kDay = 2;

// The locale the `date` the names come from runs in, for one scope: the names are read afresh
// in it, and again after it in what the tests run under, which may itself name a locale.
class ScopedVariable : qvtest::ScopedEnvironmentVariable {
 public:
  ScopedVariable(const char* name, const char* value) : ScopedEnvironmentVariable(name, value) {
    ForgetDateNames();
  }
  ~ScopedVariable() { ForgetDateNames(); }
};

class DateTest : public ::testing::Test {
 protected:
  void SetUp() override { RuntimeInitExternalClasses(); }
  // A new Date with the fields given (Year, Month, Day, Hour, Minute, Second).
  RuntimeObject* Date(std::vector<int32_t> fields = {}) {
    RuntimeObject* date = mDates(NewDateObject());
    for (size_t i = 0; i < fields.size(); ++i) dateFieldSetter(date, int32_t(i), fields[i]);
    return date;
  }
  static std::string Fields(RuntimeObject* date) {
    std::ostringstream text;
    for (int32_t i = 0; i <= 5; ++i) text << (i ? " " : "") << dateFieldGetter(date, i);
    return text.str();
  }
  static std::string Text(stringStorage* s) { return string::Adopt(s).CString(); }
  static std::string Python(const std::string& mode, int count) {
    const std::string script =
        std::filesystem::path(__FILE__).replace_filename("date_vectors.py").string();
    return qvtest::ProgramOutput({"python3", script, mode, "16", std::to_string(count)});
  }

  qvtest::RaisedExceptions mRaised;
  qvtest::HeldVariants mDates;
};

// The Julian day number of a Julian-calendar date (months 1-12), a formula of its own.
int64_t JulianDayNumber(int64_t y, int64_t m, int64_t d) {
  return 367 * y - (7 * (y + 5001 + (m - 9) / 7)) / 4 + (275 * m) / 9 + d + 1729777;
}

TEST_F(DateTest, FieldsAndTotalSecondsAgreeWithPythonBothWays) {
  std::istringstream vectors(Python("fields", 2000));
  int64_t y, mo, d, h, mi, s, seconds, ordinal, weekday, yday, lines = 0;
  while (vectors >> y >> mo >> d >> h >> mi >> s >> seconds >> ordinal >> weekday >> yday) {
    RuntimeObject* date = Date({int32_t(y), int32_t(mo), int32_t(d), int32_t(h), int32_t(mi),
                                int32_t(s)});
    ASSERT_EQ(dateTotalSecondsGetter(date), double(seconds)) << Fields(date);
    ASSERT_EQ(DayNumberOf(y, int32_t(mo - 1), d), ordinal);
    ASSERT_EQ(dateFieldGetter(date, 6), weekday);
    ASSERT_EQ(dateFieldGetter(date, 7), yday);
    RuntimeObject* back = Date();
    dateTotalSecondsSetter(back, 0, double(seconds));
    ASSERT_EQ(Fields(back), Fields(date));
    ++lines;
  }
  EXPECT_EQ(lines, 2000) << "python3 date_vectors.py printed too little";
}

TEST_F(DateTest, EarlierDatesCountOnTheJulianCalendar) {
  std::mt19937 rng(5);
  for (int i = 0; i < 20000; ++i) {
    const int64_t year = 1 + int64_t(rng() % 1582);
    const int32_t month = int32_t(rng() % (year == 1582 ? 10 : 12));
    const int32_t day =
        1 + int32_t(rng() % (year == 1582 && month == 9 ? 4 : MonthLength(year, month)));
    const int64_t n = DayNumberOf(year, month, day);
    ASSERT_EQ(n, JulianDayNumber(year, month + 1, day) - 1721423) << year << "-" << month + 1;
    const CalendarDate back = DateOfDayNumber(n);
    ASSERT_TRUE(back.year == year && back.month == month && back.day == day) << n;
  }
  EXPECT_EQ(DayNumberOf(1582, 9, 4), 577737);
  EXPECT_EQ(DayNumberOf(1582, 9, 15), 577738);
  EXPECT_EQ(DayNumberOf(1582, 9, 10), DayNumberOf(1582, 8, 30));  // dropped by the reform
  EXPECT_EQ(DayNumberOf(1700, 1, 29), -1);
  EXPECT_EQ(DayNumberOf(1500, 1, 29), DayNumberOf(1500, 2, 1) - 1);
}

// The normal form is where a walk of one month at a time, each of its table length, ends.
TEST_F(DateTest, NormalFormIsTheMonthByMonthWalk) {
  std::mt19937 rng(9);
  for (int i = 0; i < 20000; ++i) {
    int64_t year = int64_t(rng() % 2400) - 200, month = int64_t(rng() % 80) - 30,
            day = int64_t(rng() % 2000) - 1000;
    const CalendarDate normal = NormalizedDate(year, month, day);
    while (month > 11) month -= 12, ++year;
    while (month < 0) month += 12, --year;
    while (day < 1) {
      if (--month < 0) month = 11, --year;
      day += MonthLength(year, int32_t(month));
    }
    while (day > MonthLength(year, int32_t(month))) {
      day -= MonthLength(year, int32_t(month));
      if (++month > 11) month = 0, ++year;
    }
    ASSERT_TRUE(normal.year == year && normal.month == month && normal.day == day) << year;
  }
}

TEST_F(DateTest, CalendarEdges) {
  RuntimeObject* epoch = Date({1904, 1, 1, 0, 0, 0});
  EXPECT_EQ(dateTotalSecondsGetter(epoch), 0.0);
  EXPECT_EQ(dateFieldGetter(epoch, 6), 6) << "a Friday";
  dateTotalSecondsSetter(epoch, 0, -1);
  EXPECT_EQ(Fields(epoch), "1903 12 31 23 59 59");
  dateTotalSecondsSetter(epoch, 0, 4294967296.0);
  EXPECT_EQ(Fields(epoch), "2040 2 6 6 28 16");
  RuntimeObject* reform = Date({1582, 10, 4, 12, 0, 0});
  dateTotalSecondsSetter(reform, 0, dateTotalSecondsGetter(reform) + 86400);
  EXPECT_EQ(Fields(reform), "1582 10 15 12 0 0");
  EXPECT_EQ(Fields(Date({1700, 2, 29, 0, 0, 0})), "1700 3 1 0 0 0");
  EXPECT_EQ(Fields(Date({1500, 2, 29, 0, 0, 0})), "1500 2 29 0 0 0");
  RuntimeObject* january = Date({2005, 1, 31, 0, 0, 0});
  dateFieldSetter(january, kMonth, 13);
  EXPECT_EQ(Fields(january), "2006 1 31 0 0 0");
  dateFieldSetter(january, kDay, 0);
  EXPECT_EQ(Fields(january), "2005 12 31 0 0 0");
  // Fields are brought into range only when read: Month then Day, on the 31st, give Feb 28.
  RuntimeObject* lazy = Date({2005, 1, 31, 0, 0, 0});
  dateFieldSetter(lazy, kMonth, 2);
  dateFieldSetter(lazy, kDay, 28);
  EXPECT_EQ(Fields(lazy), "2005 2 28 0 0 0");
  EXPECT_EQ(mRaised.Take().size(), 0u);
}

// What no Date holds raises and leaves the Date as it was; the largest fields still compute.
TEST_F(DateTest, ValuesADateCannotHoldAreRefused) {
  RuntimeObject* date = Date({2005, 3, 4, 10, 0, 0});
  for (double bad : {double(NAN), double(INFINITY), -double(INFINITY), 1e300, -695057.0 * 86400 - 1,
                     (2147483648.0 - 695058) * 86400}) {
    dateTotalSecondsSetter(date, 0, bad);
    EXPECT_EQ(mRaised.TakeOne(), "UnsupportedFormatException") << bad;
    EXPECT_EQ(Fields(date), "2005 3 4 10 0 0");
  }
  dateTotalSecondsSetter(date, 0, -695057.0 * 86400);  // 0001-01-01, day 1
  EXPECT_EQ(Fields(date), "1 1 1 0 0 0");
  RuntimeObject* big = Date({2000000000, 1, 1, 0, 0, 0});
  RuntimeObject* later = Date({2000000400, 1, 1, 0, 0, 0});
  EXPECT_EQ(dateTotalSecondsGetter(later) - dateTotalSecondsGetter(big), 146097.0 * 86400);
  RuntimeObject* last = Date({INT32_MAX, 12, 31, 0, 0, 0});
  dateFieldSetter(last, kMonth, 13);
  dateFieldSetter(last, kDay, 32);
  EXPECT_EQ(mRaised.Take(), std::vector<std::string>(2, "UnsupportedFormatException"));
  EXPECT_EQ(Fields(last), std::to_string(INT32_MAX) + " 12 31 0 0 0");
  qvtest::ReportCapture reports;
  dateFieldSetter(last, 8, 1);
  EXPECT_EQ(reports.count(), 1u) << "WeekOfYear is read-only";
  EXPECT_EQ(mRaised.Take().size(), 0u);
}

TEST_F(DateTest, TextsUnderTheCLocaleAgreeWithPython) {
  const ScopedVariable names("LC_ALL", "C");
  std::istringstream vectors(Python("texts", 400));
  std::string line;
  int lines = 0;
  while (std::getline(vectors, line)) {
    std::istringstream parts(line);
    std::vector<int32_t> values(6);
    for (int32_t& v : values) parts >> v;
    RuntimeObject* date = Date(values);
    std::string expected;
    parts.ignore(1);
    for (int32_t kind = 0; std::getline(parts, expected, '|'); ++kind) {
      ASSERT_EQ(Text(dateStringGetter(date, kind)), expected) << line << " kind " << kind;
    }
    ++lines;
  }
  EXPECT_EQ(lines, 400);
  RuntimeObject* midnight = Date({2005, 3, 4, 0, 5, 0});
  EXPECT_EQ(Text(dateStringGetter(midnight, 3)), "00:05 AM");
}

// Names and the separator follow the environment of the `date` they come from; without one,
// English and slashes.
TEST_F(DateTest, NamesAndSeparatorComeFromTheHostsDate) {
  const std::string path = std::getenv("PATH");
  RuntimeObject* date = Date({2005, 3, 4, 0, 0, 0});
  const ScopedVariable names("LC_ALL", "de_DE.UTF-8");
  EXPECT_EQ(Text(dateStringGetter(date, 0)), "04.03.2005");
  EXPECT_EQ(Text(dateStringGetter(date, 1)), "Freitag, M\xC3\xA4rz 04, 2005");
  setenv("PATH", "/nonexistent", 1);
  ForgetDateNames();
  EXPECT_EQ(Text(dateStringGetter(date, 0)), "03/04/2005");
  EXPECT_EQ(Text(dateStringGetter(date, 2)), "Fri, Mar 04, 2005");
  setenv("PATH", path.c_str(), 1);
  setenv("LC_ALL", "C", 1);
  ForgetDateNames();
  EXPECT_EQ(Text(dateStringGetter(date, 0)), "03/04/2005");
}

// A locale of one byte a character gives its names in its own set (fr_FR.ISO-8859-1 writes
// "f\xE9vrier"): the texts hold them in UTF-8, as under fr_FR.UTF-8, and a text in UTF-8 parses
// under either, the process's locale being the one strptime reads names in.
TEST_F(DateTest, NamesOfASingleByteLocaleAreUTF8) {
  RuntimeObject* date = Date({2005, 2, 14, 0, 0, 0});
  std::vector<std::string> texts[2];
  const char* const locales[2] = {"fr_FR.UTF-8", "fr_FR.ISO-8859-1"};
  for (int i = 0; i < 2; ++i) {
    const ScopedVariable names("LC_ALL", locales[i]);
    for (int32_t kind : {1, 2}) texts[i].push_back(Text(dateStringGetter(date, kind)));
    dateFieldSetter(date, kMonth, 8);
    texts[i].push_back(Text(dateStringGetter(date, 1)));
    dateFieldSetter(date, kMonth, 2);
  }
  EXPECT_EQ(texts[1], texts[0]);
  EXPECT_EQ(texts[0][0], "lundi, f\xC3\xA9vrier 14, 2005");
  EXPECT_EQ(texts[0][2], "dimanche, ao\xC3\xBBt 14, 2005");
  for (const char* locale : locales) {
    const strtest::ScopedLocale process(locale);
    ASSERT_TRUE(process.active()) << locale;
    RuntimeObject* parsed = nullptr;
    const char kText[] = "14 f\xC3\xA9vrier 2005";
    const string text = string::FromBytes(kText, sizeof kText - 1, kEncodingUTF8);
    ASSERT_EQ(parseDate(text.Storage(), &parsed), 1) << locale;
    EXPECT_EQ(Fields(parsed), "2005 2 14 0 0 0") << locale;
    RuntimeUnlockObject(parsed);
  }
}

// A date's own ShortDate reads back as that date under every locale: day-first where it has
// dots ("04.03.2021" is the 4th of March), month-first with slashes. Other texts read as
// before: dotted ones that cannot be day-first, or have two-digit years, month-first.
TEST_F(DateTest, ADatesOwnShortDateParsesBackUnderEveryLocale) {
  const std::vector<std::vector<int32_t>> days = {{2021, 3, 4, 0, 0, 0}, {2021, 3, 14, 0, 0, 0},
                                                   {2004, 12, 25, 0, 0, 0}, {1582, 10, 4, 0, 0, 0}};
  for (const char* locale : {"C", "de_DE.UTF-8", "fr_FR.UTF-8", "tr_TR.UTF-8"}) {
    const ScopedVariable names("LC_ALL", locale);
    for (const std::vector<int32_t>& day : days) {
      const std::string shortDate = Text(dateStringGetter(Date(day), 0));
      RuntimeObject* parsed = nullptr;
      ASSERT_EQ(parseDate(string(shortDate.c_str()).Storage(), &parsed), 1) << shortDate;
      EXPECT_EQ(Fields(parsed), Fields(Date(day))) << locale << " " << shortDate;
      RuntimeUnlockObject(parsed);
    }
  }
  const ScopedVariable german("LC_ALL", "de_DE.UTF-8");
  for (auto [text, fields] : {std::pair{"12.25.2004", "2004 12 25 0 0 0"},
                              {"04.03.21", "2021 4 3 0 0 0"}, {"03/04/2021", "2021 3 4 0 0 0"}}) {
    RuntimeObject* parsed = nullptr;
    ASSERT_EQ(parseDate(string(text).Storage(), &parsed), 1) << text;
    EXPECT_EQ(Fields(parsed), fields) << text;
    RuntimeUnlockObject(parsed);
  }
}

// Names are read at noon, an hour every zone has: Damascus and Amman skipped the midnight of
// 2005-04-01, and April kept its English name under a French locale there.
TEST_F(DateTest, NamesComeFromAnHourEveryZoneHas) {
  RuntimeObject* date = Date({2005, 4, 15, 0, 0, 0});
  const ScopedVariable names("LC_ALL", "fr_FR.UTF-8");
  for (const char* zone : {"Asia/Damascus", "Asia/Amman"}) {
    const qvtest::ScopedEnvironmentVariable tz("TZ", zone);
    ForgetDateNames();
    EXPECT_EQ(Text(dateStringGetter(date, 1)), "vendredi, avril 15, 2005") << zone;
  }
}

// A `date` on the PATH that prints without end is read no further than a name needs: it meets
// a broken pipe and the names stay English, within a few megabytes of memory.
TEST_F(DateTest, ADateThatPrintsWithoutEndLeavesTheEnglishNames) {
  const qvtest::TempFolder folder("qvdate");
  const std::string date = folder / "date";
  std::ofstream(date) << "#!/bin/sh\nexec /bin/cat /dev/zero\n";
  ASSERT_EQ(chmod(date.c_str(), 0755), 0);
  EXPECT_TRUE(qvtest::RunsWithinMemory(32 << 20, [&] {
    setenv("PATH", folder.path().c_str(), 1);
    ForgetDateNames();
    EXPECT_STREQ(MonthName(2, false), "March");
    EXPECT_STREQ(WeekdayName(5, true), "Fri");
  }));
}

TEST_F(DateTest, SQLFormsAndGMTOffset) {
  RuntimeObject* date = Date({2005, 3, 4, 10, 20, 30});
  EXPECT_EQ(Text(dateSQLDateTimeGetter(date)), "2005-03-04 10:20:30");
  dateSQLDateTimeSetter(date, 0, string("2004-12-25").Storage());
  EXPECT_EQ(Text(dateSQLDateGetter(date)), "2004-12-25");
  EXPECT_EQ(Fields(date), "2004 12 25 0 0 0");
  dateSQLDateSetter(date, 0, string("1999-02-0799").Storage());
  EXPECT_EQ(Fields(date), "1999 2 7 0 0 0");
  for (const char* bad : {"2004-12-25 10:30", "2004/12/25", "2004-12-25-1 10:00:00", ""}) {
    dateSQLDateTimeSetter(date, 0, string(bad).Storage());
    EXPECT_EQ(mRaised.TakeOne(), "UnsupportedFormatException") << bad;
  }
  dateSQLDateSetter(date, 0, string("12/25/2004").Storage());
  EXPECT_EQ(mRaised.TakeOne(), "UnsupportedFormatException");
  EXPECT_EQ(Fields(date), "1999 2 7 0 0 0");
  dateGMTOffsetSetter(date, 0, 2.5);
  EXPECT_EQ(Fields(date), "1999 2 7 2 30 0");
  dateGMTOffsetSetter(date, 0, -1);
  EXPECT_EQ(Fields(date), "1999 2 6 23 0 0");
  EXPECT_EQ(dateGMTOffsetGetter(date), -1.0);
}

// The formats are tried in order: each text below is the first that its format matches, and a
// format further down would read its century as the year.
TEST_F(DateTest, ParseDateTriesTheFormatsInOrder) {
  const strtest::ScopedLocale english("C");  // the names below are the C locale's
  for (const char* text :
       {"12/25/2004", "12/25/04", "12-25-2004", "12-25-04", "12.25.2004", "12.25.04", "25Dec2004",
        "25Dec04", "25 Dec 2004", "25 Dec 04", "25.Dec.2004", "25.Dec.04", "Dec 25, 2004",
        "Dec 25, 04", "Dec 25 2004", "Dec 25 04", "Sat, Dec 25, 2004", "Sat, Dec 25, 04",
        "Sat Dec 25 2004 and more", "Sat Dec 25 04"}) {
    RuntimeObject* parsed = nullptr;
    ASSERT_EQ(parseDate(string(text).Storage(), &parsed), 1) << text;
    EXPECT_EQ(Fields(parsed), "2004 12 25 0 0 0") << text;
    RuntimeUnlockObject(parsed);
  }
  RuntimeObject* kept = Date({2001, 1, 1, 0, 0, 0});
  RuntimeLockObject(kept);
  RuntimeObject* out = kept;
  EXPECT_EQ(parseDate(string("2004-12-25").Storage(), &out), 0);
  EXPECT_EQ(out, kept);
  EXPECT_EQ(parseDate(string("02/30/2004").Storage(), &out), 1);
  EXPECT_EQ(Fields(out), "2004 3 1 0 0 0");
  RuntimeUnlockObject(out);
  EXPECT_EQ(kept->refCount, 1) << "the replaced Date was released";
}

TEST_F(DateTest, CompareAndTheObjectsOtherSubsystemsMake) {
  RuntimeObject* a = Date({2005, 3, 4, 0, 0, 0});
  RuntimeObject* b = mDates(DateNewFromSQLDateTime(string("2005-03-04 00:00:01")));
  std::string order;
  RuntimeObject* const pairs[][2] = {{a, b}, {b, a}, {a, a}, {nullptr, a}, {a, nullptr}, {}};
  for (auto [x, y] : pairs) order += std::to_string(DateCompare(x, y));
  EXPECT_EQ(order, "-110-110");
  const std::string fields = Fields(mDates(DateNewFromFields(0, 3, 4, 1, 2, 3)));
  EXPECT_EQ(fields.substr(fields.size() - 6), " 1 2 3");
  EXPECT_EQ(DateGetSQLDateTime(b).Compare(string("2005-03-04 00:00:01")), 0);
  EXPECT_EQ(DateNewFromSQLDateTime(string("noon")), nullptr);
  EXPECT_EQ(mRaised.TakeOne(), "UnsupportedFormatException");
  EXPECT_LT(std::fabs(CurrentTotalSeconds() - dateTotalSecondsGetter(Date())),
            2.0 * qvtest::SlowRunFactor());
  EXPECT_EQ(dateFieldGetter(nullptr, 0) + dateTotalSecondsGetter(nullptr), 0);
}

}  // namespace
