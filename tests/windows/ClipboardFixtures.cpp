#include "ClipboardFixtures.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "SpawnedProcess.h"

namespace qvtest {

std::vector<uint32_t> Pixels(GdkPixbuf* image) {
  if (!image) return {};
  const int width = gdk_pixbuf_get_width(image), height = gdk_pixbuf_get_height(image);
  std::vector<uint32_t> values = {uint32_t(width), uint32_t(height)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const guchar* p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                        x * gdk_pixbuf_get_n_channels(image);
      values.push_back(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
    }
  }
  return values;
}

ServedProgram::ServedProgram(GuiDriver& gui, const std::vector<std::string>& argv,
                             const std::vector<std::string>& environment)
    : mGui(gui) {
  std::vector<gchar*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<gchar*>(arg.c_str()));
  args.push_back(nullptr);
  gchar** env = g_get_environ();
  for (const std::string& entry : environment) {
    const size_t equals = entry.find('=');
    env = g_environ_setenv(env, entry.substr(0, equals).c_str(), entry.c_str() + equals + 1, TRUE);
  }
  gint out = -1;
  GError* error = nullptr;
  const bool started = g_spawn_async_with_pipes(
      nullptr, args.data(), env, GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
      nullptr, nullptr, &mPid, nullptr, &out, nullptr, &error);
  g_strfreev(env);
  if (!started) {
    ADD_FAILURE() << argv[0] << ": " << error->message;
    g_error_free(error);
    mEnded = true;
    return;
  }
  mWatch = g_child_watch_add(mPid, &ServedProgram::Ended, this);
  mChannel = g_io_channel_unix_new(out);
  g_io_channel_set_close_on_unref(mChannel, TRUE);
  g_io_channel_set_encoding(mChannel, nullptr, nullptr);
  g_io_channel_set_flags(mChannel, G_IO_FLAG_NONBLOCK, nullptr);
}

ServedProgram::~ServedProgram() {
  if (!mEnded) {
    kill(mPid, SIGKILL);
    mGui.PumpUntil([&] { return mEnded; });
  }
  if (!mEnded && mWatch) g_source_remove(mWatch);
  if (mChannel) g_io_channel_unref(mChannel);
}

void ServedProgram::Ended(GPid, gint status, gpointer self) {
  auto* program = static_cast<ServedProgram*>(self);
  program->mEnded = true;
  program->mFinished.status = status;
}

void ServedProgram::Drain() {
  if (!mChannel) return;
  gchar buffer[4096];
  gsize got = 0;
  while (g_io_channel_read_chars(mChannel, buffer, sizeof buffer, &got, nullptr) ==
             G_IO_STATUS_NORMAL &&
         got > 0) {
    mFinished.output.append(buffer, got);
  }
}

bool ServedProgram::WaitForOutput(const std::string& text) {
  return mGui.PumpUntil([&] {
    Drain();
    return mFinished.output.find(text) != std::string::npos || mEnded;
  }, kChildPatienceMs) && mFinished.output.find(text) != std::string::npos;
}

FinishedProgram ServedProgram::Finish() {
  EXPECT_TRUE(mGui.PumpUntil([&] {
    Drain();
    return mEnded;
  }, kChildPatienceMs)) << "the program did not end";
  Drain();
  return mFinished;
}

FinishedProgram RunServing(GuiDriver& gui, const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment) {
  return ServedProgram(gui, argv, environment).Finish();
}

}  // namespace qvtest
