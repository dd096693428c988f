// Opening URLs with real browser scripts that record their arguments: URLs that a shell would
// read as commands reach the browser byte for byte and run nothing; BROWSER split as the shell
// splits it; the stand-in desktop library answering true or false, or absent; the browser
// search over PATH as "which" makes it; the values fetched once; and the packed image, whose
// call returns before its browser ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "SpawnedProcess.h"
#include "app/ShellCommand.h"
#include "app/URLLauncher.h"
#include "core/LibraryFinder.h"
#include "support/RaisedExceptions.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

// Waits (10 s at most, times the slow-run factor) until done() holds, running step() meanwhile.
bool Eventually(const std::function<bool()>& done, const std::function<void()>& step = [] {}) {
  for (int i = 0; i < qvtest::TimeLimit(1000) && !done(); ++i) {
    step();
    usleep(10 * 1000);
  }
  return done();
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }
bool NoneListed() { return ListedShellChildren().empty(); }

std::string ReadAll(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// The NUL-ended fields of the file at path.
Words Fields(const std::string& path) {
  Words fields;
  std::istringstream in(ReadAll(path));
  for (std::string field; std::getline(in, field, '\0');) fields.push_back(field);
  return fields;
}

// An executable script that writes $0 and each argument, each followed by a NUL, to record,
// which appears whole. extra runs after that.
void WriteRecorder(const std::string& path, const std::string& record,
                   const std::string& extra = "") {
  std::ofstream(path) << "#!/bin/bash\nprintf '%s\\0' \"$0\" \"$@\" > '" << record
                      << ".part'\n/bin/mv '" << record << ".part' '" << record << "'\n"
                      << extra;
  chmod(path.c_str(), 0755);
}

string Utf8(const std::string& text) {
  return string::FromBytes(text.data(), int64_t(text.size()), kEncodingUTF8);
}

// The environment and the finder as the tests set them, put back afterwards.
class URLLauncher : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"BROWSER", "PATH"}) {
      if (const char* value = std::getenv(name)) saved[name] = value;
    }
    unsetenv("BROWSER");
    unsetenv("QVTEST_URL_ANSWER");
    setenv("QVTEST_URL_RECORD", desktopRecord.c_str(), 1);
    UseDesktopLibrary(false);
    ForgetURLLauncherValuesForTesting();
  }
  void TearDown() override {
    EXPECT_TRUE(Eventually(NoneListed, ReapShellChildren));
    for (const char* name : {"BROWSER", "PATH"}) {
      if (saved.count(name)) {
        setenv(name, saved[name].c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
    unsetenv("QVTEST_URL_RECORD");
    unsetenv("QVTEST_URL_ANSWER");
    SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"});
    ForgetURLLauncherValuesForTesting();
  }

  // The finder's listing names the stand-in library, or nothing (and the answers kept go).
  void UseDesktopLibrary(bool present) {
    SetLibraryListingProgramForTesting(
        {"/bin/echo", present ? "\tlibgnome-2.so.0 (libc6) => " DESKTOP_STANDIN : ""});
  }
  // PATH of only the folder name in the temporary folder, made empty.
  std::string PathOfOnly(const std::string& name) {
    const std::string folder = temp / name;
    fs::create_directories(folder);
    setenv("PATH", folder.c_str(), 1);
    return folder;
  }
  // Opens url and waits for the browser's record: the arguments it got.
  Words Opened(const string& url, const std::string& record) {
    fs::remove(record);
    ShowURL(url);
    EXPECT_FALSE(NoneListed()) << "the browser is a listed child of the shell runner";
    if (!Eventually([&] { return Exists(record); })) return {"(no record)"};
    return Fields(record);
  }

  qvtest::TempFolder temp{"qvurl"};
  const std::string desktopRecord = temp / "desktop-record";
  std::map<std::string, std::string> saved;
};

// Quotes, dollar signs, back-quotes, backslashes, ";rm -rf" and line ends reach the browser as
// one argument after the option, byte for byte; nothing they spell runs, and every browser is
// reaped by the shell runner's task, leaving no zombie.
TEST_F(URLLauncher, HostileURLsReachTheBrowserWholeAndRunNothing) {
  const std::string browser = temp / "browser", record = temp / "record";
  const std::string marker = temp / "marker", sentinel = temp / "sentinel";
  WriteRecorder(browser, record);
  fs::create_directory(sentinel);
  setenv("BROWSER", (browser + " --new-window").c_str(), 1);
  const Words urls = {"http://example.com/?q=\"quoted\"&x=1",
                      "$HOME$(touch " + marker + ")",
                      "`touch " + marker + "`",
                      "\";rm -rf " + sentinel + ";\"",
                      "';rm -rf " + sentinel + ";'",
                      "line\nend; touch " + marker,
                      "back\\slash\\\" \\$PATH \\`x\\`",
                      "a & touch " + marker + " | touch " + marker + " > " + marker,
                      ""};
  for (const std::string& url : urls) {
    EXPECT_EQ(Opened(Utf8(url), record), (Words{browser, "--new-window", url})) << url;
  }
  const std::vector<pid_t> last = ListedShellChildren();
  EXPECT_TRUE(Eventually(NoneListed, ReapShellChildren));
  for (pid_t child : last) EXPECT_NE(kill(child, 0), 0) << "no zombie";
  EXPECT_FALSE(Exists(marker));
  EXPECT_FALSE(Exists("marker"));
  EXPECT_TRUE(fs::is_directory(sentinel));
}

// Blanks and tabs between words; single quotes, double quotes with their four escapes, and
// backslashes removed as the shell removes them; line ends dropped. A quote left open, where
// the shell would run nothing, runs nothing.
TEST_F(URLLauncher, BrowserValueSplitAsTheShellSplitsIt) {
  const std::string browser = temp / "browser", record = temp / "record";
  WriteRecorder(browser, record);
  setenv("BROWSER",
         (browser + "  '--profile=a b'\t\"say \\\"hi\\\" \\$x \\y\" back\\ slash '' \"\""
                    " x\"y\"'z' --opt\nion")
             .c_str(),
         1);
  EXPECT_EQ(Opened(Utf8("http://u"), record),
            (Words{browser, "--profile=a b", "say \"hi\" $x \\y", "back slash", "", "", "xyz",
                   "--option", "http://u"}));
  ASSERT_TRUE(Eventually(NoneListed, ReapShellChildren));
  ForgetURLLauncherValuesForTesting();
  setenv("BROWSER", (browser + " 'open").c_str(), 1);
  ShowURL(Utf8("http://u"));
  EXPECT_TRUE(NoneListed());
}

// BROWSER without a slash is ignored. The desktop function gets the URL in UTF-8: answering
// true it is the end, no browser starts; answering false the search goes on to the browsers.
// A text of no encoding goes on as its bytes.
TEST_F(URLLauncher, DesktopFunctionFirstThenTheBrowserSearch) {
  UseDesktopLibrary(true);
  const std::string firefox = PathOfOnly("bin") + "/firefox", record = temp / "record";
  WriteRecorder(firefox, record);
  setenv("BROWSER", "browser-without-a-slash", 1);
  setenv("QVTEST_URL_ANSWER", "1", 1);
  ShowURL(string::FromBytes("caf\xE9", 4, kEncodingWindowsLatin1));
  EXPECT_EQ(ReadAll(desktopRecord), std::string("caf\xC3\xA9\0", 6));
  EXPECT_TRUE(NoneListed());

  setenv("QVTEST_URL_ANSWER", "0", 1);
  const string raw = string::FromBytes("x\xE9;y", 4, kEncodingNone);
  EXPECT_EQ(Opened(raw, record), (Words{firefox, "x\xE9;y"}));
  // An encoding without a converter: its bytes go on whole, to both.
  ASSERT_TRUE(Eventually(NoneListed, ReapShellChildren));
  const string unconvertible = string::FromBytes("\xFE\x80z\xFF", 4, TextEncoding(0x7F7F));
  EXPECT_EQ(Opened(unconvertible, record), (Words{firefox, "\xFE\x80z\xFF"}));
  EXPECT_EQ(Fields(desktopRecord), (Words{"caf\xC3\xA9", "x\xE9;y", "\xFE\x80z\xFF"}));
}

// A URL holding a NUL could reach no program whole and, cut there, would be another URL: it
// opens nothing anywhere and reports nothing. BROWSER is still read at that first call.
TEST_F(URLLauncher, URLWithANulOpensNothing) {
  qvtest::RaisedExceptions raised;
  UseDesktopLibrary(true);
  setenv("QVTEST_URL_ANSWER", "0", 1);
  const std::string firefox = PathOfOnly("bin") + "/firefox", record = temp / "record";
  WriteRecorder(firefox, record);
  ShowURL(string::FromBytes("http://a\0b", 10, kEncodingUTF8));
  ShowURL(string::FromBytes("caf\xE9\0", 5, kEncodingWindowsLatin1));
  EXPECT_TRUE(NoneListed());
  EXPECT_FALSE(Exists(desktopRecord));
  EXPECT_EQ(raised.Take(), Words{});
  // Set after that first call, BROWSER has no effect: the desktop function and then the
  // browser on PATH still open the next URL.
  setenv("BROWSER", (temp / "elsewhere").c_str(), 1);
  EXPECT_EQ(Opened(Utf8("http://ab"), record), (Words{firefox, "http://ab"}));
  EXPECT_EQ(Fields(desktopRecord), Words{"http://ab"});
}

// Without the desktop library the search runs as "which" runs: the first file of the name on
// PATH that is executable and no folder, used only when it lies under an absolute folder. A
// PATH holding only galeon starts galeon.
TEST_F(URLLauncher, WithoutTheLibraryTheFirstBrowserOnThePathStarts) {
  const std::string folder = PathOfOnly("only");
  const std::string record = temp / "record";
  WriteRecorder(folder + "/galeon", record);
  std::ofstream(folder + "/firefox") << "#!/bin/sh\n";  // not executable
  fs::create_directory(folder + "/konqueror");
  EXPECT_EQ(Opened(Utf8("http://g"), record), (Words{folder + "/galeon", "http://g"}));
  EXPECT_FALSE(Exists(desktopRecord));

  // A relative folder's firefox is what "which" names first, and no browser command: firefox
  // is passed over, though an absolute folder further on has one too.
  const fs::path working = fs::current_path();
  fs::current_path(temp.path());
  const std::string later = temp / "later";
  fs::create_directory(later);
  WriteRecorder(later + "/firefox", temp / "firefox-record");
  fs::create_directory(temp / "relative");
  WriteRecorder(temp / "relative/firefox", temp / "firefox-record");
  setenv("PATH", ("relative:" + later + ":" + folder).c_str(), 1);
  EXPECT_EQ(Opened(Utf8("http://h"), record), (Words{folder + "/galeon", "http://h"}));
  fs::current_path(working);
  EXPECT_FALSE(Exists(temp / "firefox-record"));
}

// No browser anywhere: nothing starts and nothing is reported, with or without BROWSER set to
// a bare name.
TEST_F(URLLauncher, NoBrowserAnywhereDoesNothing) {
  qvtest::RaisedExceptions raised;
  PathOfOnly("empty");
  ShowURL(Utf8("http://nowhere"));
  setenv("BROWSER", "firefox", 1);
  ForgetURLLauncherValuesForTesting();
  ShowURL(Utf8("http://nowhere"));
  EXPECT_TRUE(NoneListed());
  EXPECT_FALSE(Exists(desktopRecord));
  EXPECT_EQ(raised.Take(), Words{});
}

// BROWSER and the desktop library are fetched once: later changes have no effect.
TEST_F(URLLauncher, ValuesChangedAfterTheFirstCallHaveNoEffect) {
  const std::string first = temp / "first", second = temp / "second";
  const std::string record = temp / "record";
  WriteRecorder(first, record);
  WriteRecorder(second, temp / "second-record");
  setenv("BROWSER", first.c_str(), 1);
  EXPECT_EQ(Opened(Utf8("one"), record), (Words{first, "one"}));
  setenv("BROWSER", second.c_str(), 1);
  EXPECT_EQ(Opened(Utf8("two"), record), (Words{first, "two"}));
  unsetenv("BROWSER");
  EXPECT_EQ(Opened(Utf8("three"), record), (Words{first, "three"}));
  EXPECT_FALSE(Exists(temp / "second-record"));

  ASSERT_TRUE(Eventually(NoneListed, ReapShellChildren));
  ForgetURLLauncherValuesForTesting();
  PathOfOnly("empty");
  ShowURL(Utf8("absent"));
  UseDesktopLibrary(true);
  setenv("QVTEST_URL_ANSWER", "1", 1);
  ShowURL(Utf8("still absent"));
  EXPECT_FALSE(Exists(desktopRecord));
  EXPECT_TRUE(NoneListed());
}

// The packed image's ShowURL, through the exported GlobalShowURL: the option and the URL reach
// the browser as separate arguments, exactly, and the image has returned (and ended) while the
// browser still waits for the test's release.
TEST(URLLaunchingImage, ReturnsBeforeTheBrowserEndsAndPassesTheURLWhole) {
  const qvtest::TempFolder temp("qvurlimage");
  const std::string browser = temp / "browser", record = temp / "record";
  const std::string release = temp / "release", ended = temp / "ended";
  WriteRecorder(browser, record,
                "for i in $(seq 1 2000); do [ -e '" + release + "' ] && break; sleep 0.01; done\n"
                ": > '" + ended + "'\n");
  qvtest::SpawnedProcess app({.program = URLAPP_EXE,
                              .folder = temp.path(),
                              .environment = {"BROWSER=" + browser + " --new-tab"},
                              .unset = {"DISPLAY"}});
  ASSERT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(app.Output(), "returned\n");
  EXPECT_FALSE(Exists(ended)) << "the image waited for its browser";
  ASSERT_TRUE(Eventually([&] { return Exists(record); }));
  EXPECT_EQ(Fields(record),
            (Words{browser, "--new-tab",
                   "http://example.com/a b?q=\"x\"&y=$HOME;`touch marker`$(touch marker)"}));
  std::ofstream{release};
  EXPECT_TRUE(Eventually([&] { return Exists(ended); }));
  EXPECT_FALSE(Exists(temp / "marker"));
}

// The framework finds the stand-in desktop library by its name on the library path: answering
// true, it has the URL and no browser starts; without the library, the search finds none.
TEST(URLLaunchingImage, DesktopLibraryFoundByName) {
  const qvtest::TempFolder temp("qvurlimage");
  const std::string record = temp / "desktop-record";
  fs::create_directory(temp / "empty");
  const std::string standinFolder = fs::path(DESKTOP_STANDIN).parent_path();
  for (const bool present : {true, false}) {
    std::vector<std::string> environment = {"QVTEST_URL_ANSWER=1", "QVTEST_URL_RECORD=" + record,
                                            "PATH=" + temp / "empty"};
    if (present) environment.push_back("LD_LIBRARY_PATH=" + standinFolder);
    qvtest::SpawnedProcess app({.program = URLAPP_EXE,
                                .folder = temp.path(),
                                .environment = environment,
                                .unset = {"DISPLAY", "BROWSER", "LD_LIBRARY_PATH"}});
    ASSERT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
    EXPECT_EQ(app.Output(), "returned\n");
    EXPECT_EQ(app.Errors(), "");
    EXPECT_EQ(Fields(record), present ? Words{"http://example.com/a b?q=\"x\"&y=$HOME;"
                                              "`touch marker`$(touch marker)"}
                                      : Words{});
    fs::remove(record);
  }
}

}  // namespace
