// Removes DISPLAY from the environment for the children started in its lifetime, so that a
// fresh run of the test binary (a threadsafe death test) comes up without a display.
#pragma once

#include <cstdlib>
#include <string>

class ScopedNoDisplay {
 public:
  ScopedNoDisplay() {
    if (const char* display = std::getenv("DISPLAY")) {
      mSaved = display;
      mHad = true;
    }
    unsetenv("DISPLAY");
  }
  ~ScopedNoDisplay() {
    if (mHad) setenv("DISPLAY", mSaved.c_str(), 1);
  }
  ScopedNoDisplay(const ScopedNoDisplay&) = delete;
  ScopedNoDisplay& operator=(const ScopedNoDisplay&) = delete;

 private:
  std::string mSaved;
  bool mHad = false;
};
