// Helpers of the UTF-8 and case-mapping tests: reference data from Python 3 run as a child
// process, hex texts, and texts placed at the very end of a heap block.
#pragma once

#include <memory>
#include <cstdint>
#include <string>
#include <vector>

namespace utf8test {

// Runs a Python 3 program and returns what it printed; fails the test when it does not exit 0.
std::string RunPython(const char* program);

std::vector<std::string> Lines(const std::string& text);
// Whitespace-separated fields of one line.
std::vector<std::string> Fields(const std::string& line);

std::string Hex(const std::string& bytes);
std::string Unhex(const std::string& hex);

// The bytes copied to the very end of a heap block of exactly their size, so that
// AddressSanitizer catches any read past the text.
class ExactBuffer {
 public:
  explicit ExactBuffer(const std::string& bytes);
  const char* begin() const { return mData.get(); }
  const char* end() const { return mData.get() + mSize; }
  int32_t size() const { return static_cast<int32_t>(mSize); }

 private:
  size_t mSize;
  std::unique_ptr<char[]> mData;
};

}  // namespace utf8test
