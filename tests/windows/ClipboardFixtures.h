// What the clipboard tests share: the pixels of an image to compare, and other programs run
// while this process answers their selection requests.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/GuiDriver.h"

namespace qvtest {

// Width, height, then 0xRRGGBB of every pixel; empty for no image.
std::vector<uint32_t> Pixels(GdkPixbuf* image);

struct FinishedProgram {
  int status = -1;  // the wait status
  std::string output;
};

// Another program, run while this process's main loop runs so that it answers the program's
// selection requests: argv found on the path, "NAME=value" environment entries added.
class ServedProgram {
 public:
  ServedProgram(GuiDriver& gui, const std::vector<std::string>& argv,
                const std::vector<std::string>& environment = {});
  ~ServedProgram();  // kills a program still running
  ServedProgram(const ServedProgram&) = delete;
  ServedProgram& operator=(const ServedProgram&) = delete;

  // Until standard output holds text; false when the program ended first or took 4 minutes.
  bool WaitForOutput(const std::string& text);
  // Until the program ends: its status and all it wrote.
  FinishedProgram Finish();
  const std::string& Output() const { return mFinished.output; }

 private:
  void Drain();
  static void Ended(GPid pid, gint status, gpointer self);

  GuiDriver& mGui;
  GPid mPid = 0;
  GIOChannel* mChannel = nullptr;
  guint mWatch = 0;
  bool mEnded = false;
  FinishedProgram mFinished;
};

// A served program run to its end.
FinishedProgram RunServing(GuiDriver& gui, const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment = {});

}  // namespace qvtest
