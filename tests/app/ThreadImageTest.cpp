// The packed thread application (tests/images/threads/threadapp.c) run as a child process:
// two language threads and a timer taking turns, a console application's timers, Quit on a
// thread, and a message box shown by a thread while the main thread sleeps in a timer's Action.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace {

struct AppRun {
  std::string output, errors;
  int status;
};

AppRun RunThreadApp(const std::string& mode, bool display = true) {
  qvtest::SpawnOptions options{.program = THREADAPP_EXE, .environment = {"QVTEST_MODE=" + mode}};
  if (!display) options.unset = {"DISPLAY"};
  qvtest::SpawnedProcess app(options);
  AppRun run;
  run.status = app.Finish();
  run.output = app.Output();
  run.errors = app.Errors();
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class ThreadImage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "a windowed application needs a display";
  }
};

// Every line once, each source's lines in order, the three sources interleaved: each one's
// first line comes before every other one's last.
TEST_F(ThreadImage, TwoThreadsAndATimerTakeTurnsAndTheLastThreadQuits) {
  const AppRun run = RunThreadApp("");
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 0)) << run.errors;
  EXPECT_EQ(run.errors, "");
  std::map<char, std::vector<int>> numbers;  // per source, in output order
  std::map<char, std::pair<size_t, size_t>> span;
  const std::vector<std::string> lines = Lines(run.output);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    ASSERT_TRUE(line.size() > 2 && line[1] == ' ') << line;
    const char source = line[0];
    numbers[source].push_back(std::stoi(line.substr(2), nullptr, 16));
    if (!span.count(source)) span[source].first = i;
    span[source].second = i;
  }
  const std::vector<int> a = {1, 2, 3, 4, 5, 6}, b = {1, 2, 3, 4};
  EXPECT_EQ(numbers['A'], a) << run.output;
  EXPECT_EQ(numbers['B'], b) << run.output;
  ASSERT_GE(numbers['T'].size(), 2u) << run.output;
  for (size_t i = 0; i < numbers['T'].size(); ++i) EXPECT_EQ(numbers['T'][i], int(i) + 1);
  EXPECT_EQ(numbers.size(), 3u) << run.output;
  for (const auto& [one, oneSpan] : span) {
    for (const auto& [other, otherSpan] : span) {
      EXPECT_LT(oneSpan.first, otherSpan.second) << one << " starts after " << other << " ends";
    }
  }
}

TEST(ThreadImageConsole, AConsoleApplicationsTimersFireInDoEvents) {
  const AppRun run = RunThreadApp("console", false);
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 0)) << run.errors;
  // The Single timer fires once, among the Multiple one's first Actions.
  std::string output = run.output;
  const size_t single = output.find("S 1\n");
  ASSERT_NE(single, std::string::npos) << output;
  output.erase(single, 4);
  EXPECT_EQ(output, "T 1\nT 2\nT 3\ndone\n");
}

// The waiting thread is killed (it leaves the semaphore's queue), the quitting thread's Run ends
// with the EndException, and the main loop ends: no report, status 0.
TEST_F(ThreadImage, QuitOnAThreadEndsTheProgramWithStatusZero) {
  const AppRun run = RunThreadApp("quit");
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 0)) << run.errors;
  EXPECT_EQ(run.output, "B quits\nRuntimeRun returned\nA state 4\n");
  EXPECT_EQ(run.errors, "");
}

// The box waits for the main thread's Action to give the toolkit's context back, then shows;
// its button is pressed from outside, as a person would.
TEST_F(ThreadImage, AThreadShowsAMessageBoxWhileATimersActionSleeps) {
  qvtest::GuiDriver gui;
  qvtest::SpawnedProcess app({.program = THREADAPP_EXE, .environment = {"QVTEST_MODE=msgbox"}});
  const qvtest::XWindow box = gui.WaitForWindow("From a thread", qvtest::kChildPatienceMs);
  ASSERT_TRUE(box);
  ASSERT_TRUE(gui.WaitForFocus(box, qvtest::kChildPatienceMs));
  gui.Key("Return");
  EXPECT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(app.Output(), "action sleeps\nbox\naction woke\nanswered 1\n");
}

}  // namespace
