// A child program with its standard streams on pipes, for tests that talk to the framework
// executable: write to it, wait for a text, signal it, collect what it wrote and its status.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qvtest {

// How long a child may take to answer, a base that the slow-run factor stretches. Only a hang
// reaches it: under valgrind, on a busy machine, a packed executable takes 15 s and more to
// start, and under the sanitizers on a loaded machine one step (10,000 rows into a GtkComboBox)
// took more than 2 minutes.
constexpr int kChildPatienceMs = 240000;

struct SpawnOptions {
  std::string program = {};            // the file to run
  std::vector<std::string> argv = {};  // argv[0] included; empty: {program}
  std::string folder = {};             // working folder; empty: this one
  // "NAME=value" entries put before this process's environment, which loses "NAME=" entries
  // named here or in unset.
  std::vector<std::string> environment = {};
  std::vector<std::string> unset = {};
};

class SpawnedProcess {
 public:
  explicit SpawnedProcess(const SpawnOptions& options);
  ~SpawnedProcess();  // kills a child still running
  SpawnedProcess(const SpawnedProcess&) = delete;
  SpawnedProcess& operator=(const SpawnedProcess&) = delete;

  void Write(const std::string& bytes);
  void CloseInput();
  void CloseOutput();  // the child's writes to standard output then fail
  // Reads until standard output holds text; false after 4 minutes or when both outputs ended.
  bool WaitForOutput(const std::string& text);
  void Signal(int signalNumber);
  // Reads both outputs to their end and reaps the child: its wait status, or -1 when it had
  // to be killed after 4 minutes.
  int Finish();

  const std::string& Output() const { return mTexts[0]; }
  const std::string& Errors() const { return mTexts[1]; }

 private:
  bool ReadSome(int timeoutMs);  // false once both outputs have ended

  pid_t mPid = -1;
  int mInput = -1;
  int mEnds[2] = {-1, -1};  // standard output and error
  std::string mTexts[2];
};

// True for the status of a normal exit with code.
bool ExitedWith(int status, int code);

}  // namespace qvtest
