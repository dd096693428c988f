// The order in which the application's first call registers the framework's classes: the
// start-up classes in their list's order, then the control classes, then the global-function
// table (which names classes of both), then the plug-ins. Recorded as it happens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/ExternalClasses.h"
#include "core/ClassRegistry.h"
#include "core/Startup.h"

namespace {

std::string gRegistered;

// The exception classes register as one step, RuntimeException first: they count as one here.
void Record(const ObjectDefinition* definition) {
  const std::string name = definition->className.CString();
  if (name.size() > 9 && name.ends_with("Exception") && name != "RuntimeException") return;
  gRegistered += name + " ";
}

// The steps run once, as the application's first call runs them: a module registered twice
// is a reported fault. The modules (Bitwise among them) are not classes: they are looked up.
// Other tests of this binary run the steps too, so they run here in a fresh process of its own.
void RegisterAndCheckTheOrder() {
  const ClassRegistrationObserver previous = SetClassRegistrationObserver(Record);
  gRegistered.clear();
  RegisterStartupClasses();
  const std::string startupClasses = gRegistered;
  RunStartupSteps(kStartupControlClassesBegin, kStartupGlobalFunctionTable);
  SetClassRegistrationObserver(previous);
  EXPECT_TRUE(gRegistered.substr(startupClasses.size()).starts_with("SocketCore "))
      << "RegisterStartupClasses stops where the control classes begin";
  const ObjectDefinition* bitwise = LookupModuleDefinition(string("bitwise"));
  ASSERT_NE(bitwise, nullptr);
  EXPECT_STREQ(bitwise->className.CString(), "Bitwise");
  EXPECT_EQ(gRegistered,
            // The start-up classes.
            "NetworkInterface _QuicktimeInstallStatus _SystemClass Readable Writeable _Pollable "
            "ConsoleApplication StandardInputStream StandardOutputStream ServiceApplication "
            "RegistryItem Thread Semaphore "
            "CriticalSection Mutex CollectionElement Collection Date Database DatabaseCursor "
            "RecordSet DatabaseCursorField DatabaseField DatabaseRecord ScrollableCursor "
            "QUORDatabaseOldFormat StringProvider StringInterface ListInterface BooleanProvider "
            "actionSource actionNotificationReceiver DataAvailableProvider dataNotifier "
            "dataNotificationReceiver listSelectionNotifier listSelectionNotificationReceiver "
            "bindingInterface bindingPartInterface listDataProvider listDataNotifier "
            "listDataNotificationReceiver tupleInterface enablingBinder actionBinder stringBinder "
            "listBinder MemoryBlock Variant Dictionary VirtualVolume TextInputStream "
            "TextOutputStream BinaryStream ResourceFork Random EndOfLine _Keyboard FolderItem "
            "Permissions TextEncoding TextConverter _Encodings Runtime ObjectCursor _Blowfish "
            "StyledText StyleRun Paragraph Range "
            "RuntimeException SpecialFolder Network OLEObject OLEParameter AppleEvent "
            "AppleEventRecord AppleEventDescList "
            "AppleEventObjectSpecifier AppleEventTemplate AppleEventTarget _Cursors Object2D "
            "RectShape RoundRectShape OvalShape ArcShape PixmapShape StringShape CurveShape Group2D "
            "FigureShape QuitMenuItem PrefsMenuItem AppleMenuItem Clipboard FolderItemDialog "
            "OpenDialog SaveAsDialog SelectFolderDialog MDIWindow _MenuBarInstaller MenuBar "
            "MenuItem MessageDialogButton _ActionButton _CancelButton _AlternateActionButton "
            "MessageDialog KeyChain KeyChainItem DockItem DragItem Screen Application ToolItem "
            "ToolButton "
            // The control classes.
            "SocketCore TCPSocket UDPSocket Datagram ServerSocket Socket IPCSocket Object Timer "
            "Serial SerialPort DatabaseQuery RGBSurface Picture Graphics Control RectControl "
            "listSelectionProvider ListColumn Listbox OldListbox Sys$ListboxAction "
            "listColumnValueProvider Canvas "
            "StaticText ContextualMenu ScrollBar Slider Window ContainerControl EmbeddedWindowControl "
            "GroupBox Line Oval RoundRectangle Rectangle EditField PagePanel OLEContainer "
            "sys$popupRowTag ProgressBar _PaneChild "
            "PrinterSetup Toolbar MoviePlayer MoviePlayerAction PushButton CheckBox RadioButton "
            "PopupMenu ComboBox NotePlayer "
            "Movie Sound StyledTextPrinter TabPanel MouseCursor DataControlAction DataControl TrayItem ");
  std::exit(testing::Test::HasFailure() ? 1 : 0);
}

TEST(StartupOrder, ClassesRegisterInTheirListsOrderBeforeTheGlobalFunctions) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(RegisterAndCheckTheOrder(), testing::ExitedWithCode(0), "");
}

}  // namespace
