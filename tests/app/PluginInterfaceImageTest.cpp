// The plug-in interface driven from a real plug-in (tests/plugins/interface), loaded from the
// packed console image that carries it (tests/images/plugins/interfaceapp.c) in a child
// process: each function is found by name through the lookup callback, called as plug-ins
// call it, and every string and object the plug-in was handed is released exactly once, so
// that the live objects return to their count at the start.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "SpawnedProcess.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

TEST(PluginInterfaceImage, APlugInUsesTheWholeInterfaceAndReleasesWhatItWasGiven) {
  qvtest::TempFolder home("qvifhome");
  qvtest::TempFolder current("qvifcwd");
  qvtest::SpawnedProcess app({.program = INTERFACEAPP_EXE,
                              .argv = {INTERFACEAPP_EXE, "one", "two words"},
                              .folder = current.path(),
                              .environment = {"HOME=" + home.path()},
                              .unset = {"DISPLAY", "QVPLUGINPATH"}});
  ASSERT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  EXPECT_EQ(app.Errors(), "");
  const std::string folder = fs::canonical(current.path()).string();
  EXPECT_EQ(app.Output(),
            "interface plug-in registered, 0 missing\n"
            // Strings: built with no encoding, one reference each way; zeros for no buffer.
            "string plug-in length 7 encoding ffff count 1\n"
            "locked count 2\n"
            "constant same 1 count 2\n"
            "long length byte 255 length 300\n"
            "zero-filled 0 0 0 length 3\n"
            "empty (nil) (nil) nil text \"\" 0\n"
            // Properties by name, any letter case, converted; methods stand in.
            "count 1 as UInt32 4294967291 Int64 -5 UInt16 65531\n"
            "ratio 1 as Int -2\n"
            "twice by method 1 -10\n"
            "short write refused 0\n"
            "flag 1 1 int refused 0\n"
            "label 1 \"a label\" same 1 count 3\n"
            "peer 1 same 1 count 3\n"
            "peer of a string refused 0\n"
            "value is itself 1 1\n"
            "type of nil 1 0\n"
            // Method lookup and the class read back.
            "twice found 1 gives -10\n"
            "twice as Int64 (nil)\n"
            "abs same 1 gives 2.50\n"
            "bad declaration (nil)\n"
            "property Count As Int32 at 24 accessors 11\n"
            "property Ratio As Double at 32 accessors 11\n"
            "property Label As String at 40 accessors 11\n"
            "property Flag As Boolean at 44 accessors 11\n"
            "property Peer As IfaceProbe at 48 accessors 11\n"
            "method Function Twice(param0 As IfaceProbe) As Int32\n"
            // Every other width, each value cut or extended by its own type.
            "widths Int64 in 1 UInt64 out fffffffffffffff9\n"
            "widths UInt64 in 1 Int8 out 2\n"
            "widths UInt32 in 1 Int16 out -1 UInt8 out 255\n"
            "widths UInt16 in 1 Int out 65535\n"
            "widths Int8 in 1 Int out -128\n"
            "widths UInt8 in 1 Int out 200\n"
            "widths Single in 1 Double out 2.00\n"
            "widths Single to Double 1 Single out -1.50\n"
            "other count after its holder went 1\n"
            // The environment, defaults, the newest data source of a name, the command line.
            "version 2006.04\n"
            "graphics without context origin 0 0 size 99\n"
            "project folder 1 " +
                folder +
                "/\n"  // a folder's path ends with "/"
                "defaults System Untitled 12 distinct 1\n"
                "newer source opened 3 4\n"
                "argument 1 one\n"
                "argument 2 two words\n"
                "nil checks 10 of 10\n"
                "objects left 0\n"
                "done\n");
}

}  // namespace
