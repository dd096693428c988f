#include "UTF8TestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "support/TestSupport.h"

namespace utf8test {

std::string RunPython(const char* program) {
  std::string output;
  const int status = qvtest::RunInChild(
      [program] {
        execlp("python3", "python3", "-c", program, static_cast<char*>(nullptr));
        _exit(127);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  return output;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; in >> field;) fields.push_back(field);
  return fields;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

std::string Unhex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

ExactBuffer::ExactBuffer(const std::string& bytes)
    : mSize(bytes.size()), mData(new char[bytes.empty() ? 1 : bytes.size()]) {
  bytes.copy(mData.get(), mSize);
}

}  // namespace utf8test
