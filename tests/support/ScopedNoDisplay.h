// Removes DISPLAY from the environment while alive, so that a fresh run of the test binary (a
// threadsafe death test) comes up without a display.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

struct ScopedNoDisplay {
  ScopedNoDisplay() {
    if (const char* display = std::getenv("DISPLAY")) saved = display;
    unsetenv("DISPLAY");
  }
  ~ScopedNoDisplay() {
    if (saved) setenv("DISPLAY", saved->c_str(), 1);
  }
  std::optional<std::string> saved;
};
