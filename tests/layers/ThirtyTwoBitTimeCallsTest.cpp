// The framework counts time in 64 bits; the toolkit's libraries keep a 32-bit time_t (and
// GTimeVal and GTime count seconds in 32 bits). A call that passes or returns one of those
// reads half a value (time_t) or cuts dates at January 2038, so no file under src/ names one.
// The list is every such function that the installed GLib, GIO, GDK-Pixbuf and GTK+ 2 headers
// declare.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "SourceTree.h"

namespace {

const NameSet kThirtyTwoBitTimeCalls = {
    "g_async_queue_timed_pop", "g_async_queue_timed_pop_unlocked", "g_bookmark_file_get_added",
    "g_bookmark_file_get_app_info", "g_bookmark_file_get_modified", "g_bookmark_file_get_visited",
    "g_bookmark_file_set_added", "g_bookmark_file_set_app_info", "g_bookmark_file_set_modified",
    "g_bookmark_file_set_visited", "g_cond_timed_wait", "g_date_set_time", "g_date_set_time_t",
    "g_date_set_time_val", "g_date_time_new_from_timeval_local",
    "g_date_time_new_from_timeval_utc", "g_date_time_to_timeval",
    "g_file_info_get_modification_time", "g_file_info_set_modification_time",
    "g_get_current_time", "g_source_get_current_time", "g_time_val_add",
    "g_time_val_from_iso8601", "g_time_val_to_iso8601", "gdk_pixbuf_animation_get_iter",
    "gdk_pixbuf_animation_iter_advance", "gtk_recent_info_get_added",
    "gtk_recent_info_get_application_info", "gtk_recent_info_get_modified",
    "gtk_recent_info_get_visited"};

std::vector<std::string> ThirtyTwoBitTimeCalls(const std::vector<SourceFile>& files) {
  return NamesUsed(files, kThirtyTwoBitTimeCalls);
}

TEST(ThirtyTwoBitTimeCalls, NoFileUnderSrcNamesAToolkitCallWithA32BitTime) {
  std::string found;
  for (const std::string& use : ThirtyTwoBitTimeCalls(ReadSourceTree(QV_SOURCE_DIR)))
    found += use + "\n";
  EXPECT_EQ(found, "");
  const std::vector<SourceFile> sample = {
      {"core/A.cpp", "g_get_current_time(&now);\nauto f = &g_date_set_time_t;\ng_get_real_time();"}};
  EXPECT_EQ(ThirtyTwoBitTimeCalls(sample),
            (std::vector<std::string>{"core/A.cpp: g_get_current_time",
                                      "core/A.cpp: g_date_set_time_t"}));
}

}  // namespace
