#include "values/DateNames.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/ShellRunner.h"
#include "strings/TextEncoding.h"

namespace {

constexpr const char* kEnglishWeekdays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
constexpr const char* kEnglishMonths[12] = {"January", "February", "March",     "April",
                                            "May",     "June",     "July",      "August",
                                            "September", "October", "November", "December"};

// One kept name: plain storage, so that texts made during destructions at exit still find it.
struct KeptName {
  bool known;
  char text[128];
};

KeptName gWeekdays[2][7];  // [abbreviated][weekday]
KeptName gMonths[2][12];   // [abbreviated][month]
char gSeparator;           // 0 until asked

// A name fits in a kept name many times over; whatever `date` on the PATH prints, no more is
// read than this.
constexpr int64_t kMostDateOutput = 4096;

// The first line `date` prints for these arguments (nil ends them early), or "" when it prints
// nothing or fails.
std::string DateOutput(const char* first, const char* second) {
  const char* const argv[] = {"date", first, second, nullptr};
  GrowingBytes bytes(kMostDateOutput);
  int status = -1;
  if (!RunProgram("date", argv, &bytes, &status) || status != 0) return "";
  const std::string_view output(reinterpret_cast<const char*>(bytes.Data()),
                                size_t(bytes.Size()));
  return std::string(output.substr(0, output.find_first_of("\r\n")));
}

// `date` writes names in the character set of the time locale the environment gives it, which
// need not be the process's own locale nor UTF-8 (fr_FR.ISO-8859-1 writes "f\xE9vrier").
std::string DateNameInUTF8(const std::string& given) {
  const locale_t environment = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  // A locale the host lacks leaves `date` in the C locale, whose names are ASCII.
  if (!environment) return given;
  std::string utf8;
  const bool converted =
      ConvertCharset(given, nl_langinfo_l(_NL_TIME_CODESET, environment), "UTF-8", &utf8);
  freelocale(environment);
  return converted ? utf8 : std::string();
}

// The kept name, asked for once: the host's line in UTF-8, or the English name (its first three
// letters when abbreviated).
const char* Kept(KeptName& name, const char* dateArgument, const char* format, bool abbreviated,
                 const char* english) {
  if (!name.known) {
    std::string text = DateNameInUTF8(DateOutput(dateArgument, format));
    if (text.empty() || text.size() >= sizeof name.text)
      text = std::string(english, abbreviated ? 3 : std::strlen(english));
    std::snprintf(name.text, sizeof name.text, "%s", text.c_str());
    name.known = true;
  }
  return name.text;
}

}  // namespace

const char* WeekdayName(int32_t weekday, bool abbreviated) {
  if (weekday < 0 || weekday > 6) return "";
  char argument[32];
  // At noon, an hour every zone has on every day: a zone that moves its clocks skips the
  // midnight of its change (Asia/Damascus on 2005-04-01), where `date` would print nothing.
  std::snprintf(argument, sizeof argument, "-d1995-01-%d 12:00", weekday + 1);  // Sunday first
  return Kept(gWeekdays[abbreviated][weekday], argument, abbreviated ? "+%a" : "+%A", abbreviated,
              kEnglishWeekdays[weekday]);
}

const char* MonthName(int32_t month, bool abbreviated) {
  if (month < 0 || month > 11) return "";
  char argument[32];
  std::snprintf(argument, sizeof argument, "-d2005-%d-01 12:00", month + 1);  // noon, as above
  return Kept(gMonths[abbreviated][month], argument, abbreviated ? "+%b" : "+%B", abbreviated,
              kEnglishMonths[month]);
}

char ShortDateSeparator() {
  if (!gSeparator) {
    gSeparator = DateOutput("+%x", nullptr).find('.') != std::string::npos ? '.' : '/';
  }
  return gSeparator;
}

void ForgetDateNames() {
  std::memset(gWeekdays, 0, sizeof gWeekdays);
  std::memset(gMonths, 0, sizeof gMonths);
  gSeparator = 0;
}
