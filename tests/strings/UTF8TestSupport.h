// Helpers of the string tests: reference data from Python 3 run as a child process, and texts
// placed at the very end of a heap block.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace utf8test {

// Runs a Python 3 program; the whitespace-separated fields of each line it printed. Fails the
// test when the program does not exit 0. The program's text and output are UTF-8 whatever the
// locale the tests run under (Python would read them in the locale's character set).
inline std::vector<std::vector<std::string>> PythonRows(const std::string& program) {
  std::string output;
  EXPECT_EQ(qvtest::RunProgram({"python3", "-X", "utf8", "-c", program}, &output), 0) << output;
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream in(line);
    rows.emplace_back(std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
  }
  return rows;
}

inline std::string Hex(const std::string& bytes) {
  std::string hex;
  for (unsigned char c : bytes) hex += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
  return hex;
}

inline std::string Unhex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// The bytes copied to the very end of a heap block of exactly their size, so that
// AddressSanitizer catches any read past the text.
class ExactBuffer {
 public:
  explicit ExactBuffer(const std::string& bytes) : mSize(bytes.size()), mData(new char[mSize + !mSize]) {
    bytes.copy(mData.get(), mSize);
  }
  const char* begin() const { return mData.get(); }
  const char* end() const { return mData.get() + mSize; }
  int32_t size() const { return static_cast<int32_t>(mSize); }

 private:
  size_t mSize;
  std::unique_ptr<char[]> mData;
};

}  // namespace utf8test
