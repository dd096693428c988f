// The packed exception application: compiled frames loaded, linked and run by the loader,
// raising from inside framework routines; the frames in between return normally.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/ImageEntry.h"
#include "arrays/RuntimeArray.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "image/ApplicationImage.h"
#include "support/TestSupport.h"

extern "C" void ExcImageRecord(int32_t key, int32_t value) { std::printf("%d=%d\n", key, value); }
QV_EXPORT(ExcImageRecord)

// The exception's class, reference count and Stack, one line.
extern "C" void ExcImageRecordException(int32_t key, RuntimeObject* exception) {
  std::printf("%d=%s refs=%d stack=", key, stringStorage::CString(exception->classPtr->className),
              exception->refCount);
  RuntimeArray* stack = RuntimeExceptionStack(exception);
  const auto get = reinterpret_cast<stringStorage* (*)(RuntimeArray*, int32_t)>(stack->table->get);
  for (int32_t i = 0; i <= RuntimeUBound(stack); ++i) {
    stringStorage* name = get(stack, i);
    std::printf("%s ", stringStorage::CString(name));
    stringStorage::RemoveReference(name);
  }
  RuntimeUnlockArray(stack);
  std::printf("\n");
}
QV_EXPORT(ExcImageRecordException)

namespace {

TEST(RaiseAppImageTest, HandlersInTheImageCatchWhatFrameworkRoutinesRaise) {
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        if (chdir(RAISEAPP_DIR) != 0) _exit(90);
        qvtest::ReportCapture reports;
        const bool loaded = RunApplicationImage("/proc/self/exe");
        for (const auto& report : reports.reports())
          std::printf("report %s\n", report.condition.c_str());
        std::printf("loaded=%d live=%d\n", loaded ? 1 : 0, LiveObjectCount());
        std::fflush(stdout);
        _exit(0);
      },
      &output);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  EXPECT_EQ(output,
            "1=0\n"
            "2=OutOfBoundsException refs=1 stack=ImgInner ImgOuter QVEntry \n"
            "3=0\n"
            "report 0\n"
            "loaded=1 live=0\n");
}

}  // namespace
