// Every time limit of the tests is a base times the one slow-run factor (qvtest::TimeLimit,
// support/Watchdog.h; QV_TIME_FACTOR for the scripts and peers the tests run; CTest's timeouts
// through qv_test_timeout), so that a loaded machine or an emulator gets longer limits, never
// failures. A limit written as a bare number was what failed CI on a busy machine. This check
// finds the forms a bare limit takes: an alarm, a poll or a condition's wait given a number; a
// deadline of a clock plus a number; a loop that sleeps a number of times; an upper bound on
// a clock's reading; a peer's socket or subprocess timeout; a CTest TIMEOUT set by hand. The
// waiting helpers of the support (GuiDriver, MainWaitsUntil, RunUntil, ...) take a base and
// stretch it themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "SourceTree.h"

namespace {

bool Names(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}

// Written through the factor: TimeLimit, SlowRunFactor, or QV_TIME_FACTOR (FACTOR in a peer).
bool Stretched(std::string_view text) {
  return Names(text, "TimeLimit") || Names(text, "SlowRunFactor") || Names(text, "FACTOR");
}

std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\n");
  const size_t last = text.find_last_not_of(" \t\n");
  return first == std::string_view::npos ? "" : std::string(text.substr(first, last - first + 1));
}

// A number, or a product of numbers ("10 * 1000"), other than 0 and -1 (no wait, no limit).
bool IsBareNumber(std::string_view text) {
  const std::string number = Trimmed(text);
  if (number.empty() || number == "0" || number == "-1" || !std::isdigit(number[0])) return false;
  return number.find_first_not_of("0123456789.'* ") == std::string::npos;
}

// A time given bare: a number, or a chrono duration of one.
bool IsBareTime(std::string_view text) {
  if (Stretched(text)) return false;
  if (IsBareNumber(text)) return true;
  for (const char* unit : {"seconds(", "milliseconds("}) {
    const size_t at = text.find(unit);
    if (at != std::string_view::npos) {
      const std::string inside(text.substr(at + std::string_view(unit).size()));
      if (!inside.empty() && std::isdigit(static_cast<unsigned char>(Trimmed(inside)[0])))
        return true;
    }
  }
  return false;
}

// The arguments of a call, split at its top-level commas.
std::vector<std::string> Arguments(std::string_view text) {
  std::vector<std::string> parts(1);
  int depth = 0;
  for (const char c : text) {
    depth += c == '(' || c == '[' || c == '{' ? 1 : c == ')' || c == ']' || c == '}' ? -1 : 0;
    if (c == ',' && depth == 0) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

bool ReadsAClock(std::string_view text) {
  for (const char* clock : {"NowMs()", "Now()", "now()", "g_get_monotonic_time()"})
    if (Names(text, clock)) return true;
  return false;
}

bool IsCode(const SourceFile& file) {
  const std::string_view path = file.path;
  return path.ends_with(".cpp") || path.ends_with(".h") || path.ends_with(".c");
}

size_t LineAt(std::string_view text, size_t at) {
  return size_t(std::count(text.begin(), text.begin() + long(at), '\n')) + 1;
}

// Alarms, polls and waits given a bare time, and upper bounds on a clock's reading.
void BareArguments(const std::vector<SourceFile>& files, std::vector<std::string>* found) {
  const std::vector<std::pair<const char*, int>> timed = {
      {"alarm", 0}, {"poll", 2}, {"epoll_wait", 3}, {"wait_for", -1}, {"wait_until", -1}};
  for (const auto& [name, index] : timed) {
    for (const SourceCall& call : CallsOf(files, name)) {
      const std::vector<std::string> arguments = Arguments(call.arguments);
      bool bare = false;
      for (size_t k = 0; k < arguments.size(); ++k)
        bare = bare || ((index < 0 || size_t(index) == k) && IsBareTime(arguments[k]));
      if (bare) found->push_back(call.where + ": " + name + "(" + call.arguments + ")");
    }
  }
  for (const char* bound : {"EXPECT_LT", "EXPECT_LE", "ASSERT_LT", "ASSERT_LE"}) {
    for (const SourceCall& call : CallsOf(files, bound)) {
      const std::vector<std::string> arguments = Arguments(call.arguments);
      if (arguments.size() == 2 && ReadsAClock(arguments[0]) && IsBareTime(arguments[1]))
        found->push_back(call.where + ": " + bound + "(" + call.arguments + ")");
    }
  }
}

// A clock's reading plus a bare number: a deadline.
void BareDeadlines(const SourceFile& file, const std::string& code,
                   std::vector<std::string>* found) {
  for (const char* clock : {"NowMs()", "Now()", "now()", "g_get_monotonic_time()"}) {
    for (size_t at = code.find(clock); at != std::string::npos; at = code.find(clock, at + 1)) {
      if (at > 0 && (std::isalnum(static_cast<unsigned char>(code[at - 1])) || code[at - 1] == '_'))
        continue;
      size_t next = code.find_first_not_of(" \n", at + std::string_view(clock).size());
      if (next == std::string::npos || code[next] != '+') continue;
      const size_t end = code.find_first_of(";,)", next);
      std::string added = code.substr(next + 1, end == std::string::npos ? end : end - next - 1);
      const size_t chrono = added.find("std::chrono::");
      if (chrono != std::string::npos) added += ")";
      const std::string statement = code.substr(at, code.find(';', at) - at);
      if (IsBareTime(added) && !Stretched(statement))
        found->push_back(file.path + ":" + std::to_string(LineAt(code, at)) + ": " + clock + " +" +
                         Trimmed(added));
    }
  }
}

// A loop that sleeps at most a bare number of times.
void BareLoops(const std::vector<SourceFile>& files, std::vector<std::string>* found) {
  for (const SourceFile& file : files) {
    if (!IsCode(file)) continue;
    const std::string code = CodeOnly(file.text);
    BareDeadlines(file, code, found);
    for (const SourceCall& loop : CallsOf({file}, "for")) {
      const std::vector<std::string> parts = [&] {
        std::vector<std::string> clauses(1);
        for (const char c : loop.arguments) c == ';' ? clauses.emplace_back() : clauses.back() += c;
        return clauses;
      }();
      if (parts.size() != 3 || Stretched(parts[1])) continue;
      const size_t less = parts[1].find('<');
      if (less == std::string::npos) continue;
      const std::string bound = Trimmed(parts[1].substr(less + 1 + (parts[1][less + 1] == '=')));
      const std::string number = bound.substr(0, bound.find_first_of(" &|)"));
      if (!IsBareNumber(number)) continue;
      const size_t start = code.find_first_not_of(" \n", loop.end);
      size_t end = code.find(';', start);
      if (start != std::string::npos && code[start] == '{') {
        int depth = 0;
        for (end = start; end < code.size(); ++end) {
          depth += code[end] == '{' ? 1 : code[end] == '}' ? -1 : 0;
          if (depth == 0) break;
        }
      }
      const std::string body = code.substr(start, end - start);
      bool sleeps = false;
      for (const char* pause : {"usleep", "sleep_for", "nanosleep", "g_usleep", "sleep"})
        sleeps = sleeps || !CallsOf({{"body.c", body}}, pause).empty();
      if (sleeps) found->push_back(loop.where + ": for (" + Trimmed(loop.arguments) + ")");
    }
  }
}

// Lines of peers, scripts and CMake files that give a bare timeout.
void BareLines(const std::vector<SourceFile>& files, std::vector<std::string>* found) {
  for (const SourceFile& file : files) {
    const std::string_view path = file.path;
    const bool python = path.ends_with(".py");
    const bool cmake = path.ends_with("CMakeLists.txt") || path.ends_with(".cmake");
    size_t number = 0;
    for (size_t at = 0; at < file.text.size(); ++number) {
      const size_t end = std::min(file.text.find('\n', at), file.text.size());
      const std::string line = file.text.substr(at, end - at);
      at = end + 1;
      if (Stretched(line) || Trimmed(line).rfind('#', 0) == 0) continue;
      bool bare = false;
      for (const char* given : {"settimeout(", "timeout="}) {
        const size_t where = line.find(given);
        if (where != std::string::npos && (python || IsCode(file)) &&
            IsBareNumber(line.substr(where + std::string_view(given).size(),
                                     line.find_first_of("),", where) - where -
                                         std::string_view(given).size())))
          bare = true;
      }
      if (python && line.rfind("TIMEOUT = ", 0) == 0) bare = IsBareNumber(line.substr(10));
      if (cmake) {
        for (size_t t = line.find("TIMEOUT "); t != std::string::npos;
             t = line.find("TIMEOUT ", t + 1)) {
          const bool word = t == 0 || !(std::isalnum(static_cast<unsigned char>(line[t - 1])) ||
                                        line[t - 1] == '_');
          const std::string after = Trimmed(line.substr(t + 8));
          bare = bare || (word && !after.empty() && std::isdigit(after[0]));
        }
      }
      if (bare) found->push_back(file.path + ":" + std::to_string(number + 1) + ": " + Trimmed(line));
    }
  }
}

std::vector<std::string> BareLimits(const std::vector<SourceFile>& files) {
  std::vector<std::string> found;
  BareArguments(files, &found);
  BareLoops(files, &found);
  BareLines(files, &found);
  std::sort(found.begin(), found.end());
  return found;
}

// The test sources (their peers and scripts), and the CMake files that give CTest its timeouts;
// not the answer table's data, nor this check's own samples.
std::vector<SourceFile> LimitedFiles() {
  const std::filesystem::path tests = QV_TESTS_DIR;
  std::vector<SourceFile> files;
  for (SourceFile& file : ReadSourceTree(tests)) {
    if (file.path.rfind("answers/", 0) != 0 && file.path != "layers/TestTimeLimitsTest.cpp")
      files.push_back(std::move(file));
  }
  for (const char* folder : {"cmake", "examples", "fuzz"}) {
    for (SourceFile& file : ReadSourceTree(tests.parent_path() / folder)) {
      file.path = std::string(folder) + "/" + file.path;
      files.push_back(std::move(file));
    }
  }
  return files;
}

TEST(TestTimeLimits, EveryLimitIsABaseTimesTheSlowRunFactor) {
  std::string found;
  for (const std::string& limit : BareLimits(LimitedFiles())) found += limit + "\n";
  EXPECT_EQ(found, "");
}

TEST(TestTimeLimits, TheCheckFindsEachFormOfABareLimit) {
  const std::vector<SourceFile> sample = {
      {"a/Bare.cpp",
       "alarm(20);\n"
       "poll(&fd, 1, 30000);\n"
       "cv.wait_for(lock, std::chrono::seconds(5));\n"
       "const int64_t end = NowMs() + 2000;\n"
       "for (int i = 0; i < 500 && !Ready(); ++i) usleep(10 * 1000);\n"
       "EXPECT_LT(NowMs() - start, 1000);\n"
       "const char* peer = \"s.settimeout(20)\";\n"},
      {"a/Fine.cpp",
       "alarm(qvtest::TimeLimit(20));\n"
       "poll(&fd, 1, 0);\npoll(&fd, 1, -1);\npoll(&fd, 1, MillisecondsLeft(deadline));\n"
       "const int64_t end = NowMs() + qvtest::TimeLimit(2000);\n"
       "const int64_t stop = NowMs() + kSleepingMs;\n"
       "for (int i = 0; i < qvtest::TimeLimit(500) && !Ready(); ++i) usleep(10 * 1000);\n"
       "for (int i = 0; i < 500; ++i) Sum(i);\n"
       "EXPECT_GE(NowMs() - start, 90);\n"
       "// alarm(20) in a comment\n"},
      {"a/peer.py",
       "TIMEOUT = 60\nconn.settimeout(TIMEOUT)\nprocess.communicate(timeout=20)\n"
       "WAIT = 60 * int(os.environ.get(\"QV_TIME_FACTOR\", \"1\"))\n"},
      {"a/CMakeLists.txt",
       "set_tests_properties(A PROPERTIES TIMEOUT 900)\nqv_test_timeout(900 B)\n"
       "gtest_discover_tests(t DISCOVERY_TIMEOUT 60)\n"}};
  EXPECT_EQ(BareLimits(sample),
            (std::vector<std::string>{
                "a/Bare.cpp:1: alarm(20)", "a/Bare.cpp:2: poll(&fd, 1, 30000)",
                "a/Bare.cpp:3: wait_for(lock, std::chrono::seconds(5))",
                "a/Bare.cpp:4: NowMs() +2000",
                "a/Bare.cpp:5: for (int i = 0; i < 500 && !Ready(); ++i)",
                "a/Bare.cpp:6: EXPECT_LT(NowMs() - start, 1000)",
                "a/Bare.cpp:7: const char* peer = \"s.settimeout(20)\";",
                "a/CMakeLists.txt:1: set_tests_properties(A PROPERTIES TIMEOUT 900)",
                "a/peer.py:1: TIMEOUT = 60", "a/peer.py:3: process.communicate(timeout=20)"}));
}

}  // namespace
