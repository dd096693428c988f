// The file dialogs on a real display, answered as a person would: paths typed into the chooser,
// Return and Escape pressed, buttons and the filter menu clicked. GTK keeps its recent-files
// list and its chooser settings under HOME, so this binary runs with HOME on a temporary tree
// made before GTK starts (GLib reads HOME once); each test begins without saved settings.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "ThreadTestSupport.h"
#include "app/ApplicationQuit.h"
#include "app/MainLoop.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "files/FolderItemClass.h"
#include "support/GuiDriver.h"
#include "support/RaisedExceptions.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "windows/FolderItemDialog.h"
#include "windows/GtkSymbols.h"

namespace {

using qvtest::XWindow;

// HOME for this process, with the settings folder GTK expects (without it the chooser's
// settings code leaks what it built, which the sanitizer build reports).
struct TemporaryHome {
  TemporaryHome() : folder("qvhome") {
    std::filesystem::create_directories(folder / ".config/gtk-2.0");
    std::filesystem::create_directories(folder / ".local/share");
    setenv("HOME", folder.path().c_str(), 1);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
      unsetenv(name);
    }
  }
  qvtest::TempFolder folder;
};
TemporaryHome gHome;

const char kTitle[] = "Pick a file";

string Text(const std::string& text) {
  return string::FromBytes(text.data(), int64_t(text.size()), kEncodingUTF8);
}

void SetString(RuntimeObject* dialog, size_t offset, const std::string& text) {
  stringSetter(dialog, uint32_t(offset), Text(text).Storage());
}

std::string PathOf(RuntimeObject* item) {
  const string path = string::Adopt(fileAbsolutePathGetter(item, 0));
  return std::string(path.CString(), size_t(path.Length()));
}

void WriteFile(const std::string& path) { std::ofstream(path) << "text\n"; }

// The name the chooser holds now (the part after the last "/").
std::string ChooserName(GtkWidget* chooser) {
  gchar* filename = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
  const std::string path = filename ? filename : "";
  g_free(filename);
  return path.substr(path.rfind('/') + 1);
}

// The folder the chooser is in, "" while it is in none.
std::string CurrentFolder(GtkWidget* chooser) {
  gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
  const std::string path = folder ? folder : "";
  g_free(folder);
  return path;
}

// The combo box of a chooser's filters: the shown text combo whose first row is firstFilter.
GtkWidget* FindFilterCombo(GtkWidget* widget, const char* firstFilter) {
  if (!gtk_widget_get_visible(widget)) return nullptr;
  if (GTK_IS_COMBO_BOX(widget)) {
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(widget));
    GtkTreeIter row;
    if (model && gtk_tree_model_get_column_type(model, 0) == G_TYPE_STRING &&
        gtk_tree_model_get_iter_first(model, &row)) {
      gchar* text = nullptr;
      gtk_tree_model_get(model, &row, 0, &text, -1);
      const bool match = text && std::string(text) == firstFilter;
      g_free(text);
      if (match) return widget;
    }
  }
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkWidget* found = nullptr;
  for (GList* child = children; child && !found; child = child->next) {
    found = FindFilterCombo(GTK_WIDGET(child->data), firstFilter);
  }
  g_list_free(children);
  return found;
}

bool Accepts(GtkFileFilter* filter, const char* name) {
  GtkFileFilterInfo info{};
  info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
  info.display_name = name;
  return gtk_file_filter_filter(filter, &info);
}

class FolderItemDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    // No settings from an earlier test of this process (the file browser's expander, the
    // location entry) change what the next dialog shows.
    std::filesystem::remove(gHome.folder / ".config/gtk-2.0/gtkfilechooser.ini");
    RuntimeRegisterFileType(Text("Plain text").Storage(), nullptr, nullptr,
                            Text(".txt").Storage());
    RuntimeRegisterFileType(Text("Notes").Storage(), nullptr, nullptr,
                            Text("note;;txt").Storage());
  }
  void TearDown() override {
    RuntimeDeregisterFileType(Text("Plain text").Storage());
    RuntimeDeregisterFileType(Text("Notes").Storage());
    RuntimeUnlockObject(dialog);
  }

  // A new dialog of the class titled kTitle; the fixture releases it.
  RuntimeObject* Make(ObjectDefinition* definition) {
    dialog = NewObjectFromDefinition(definition);
    SetString(dialog, offsetof(FolderItemDialogObject, title), kTitle);
    return dialog;
  }
  void SetFolder(const std::string& path) {
    RuntimeObject* folder = FolderItemFromPath(path.c_str());
    objSetter(dialog, offsetof(FolderItemDialogObject, initialDirectory), folder);
    RuntimeUnlockObject(folder);
    initialFolder = path;
  }

  // Runs the dialog while person works it once it has the focus (and a chooser has reached
  // the initial folder); the path of the Result, "" for nil. The Result field holds the same
  // item.
  std::string Run(const std::function<void(XWindow, GtkWidget*)>& person) {
    gui.Meanwhile([&] {
      const XWindow window = gui.WaitForWindow(kTitle);
      ASSERT_TRUE(window);
      ASSERT_TRUE(gui.WaitForFocus(window));
      GtkWidget* dialog = GTK_WIDGET(gui.Gtk(window));
      // The chooser enters the folder once it has asked whether it is one, which on a loaded
      // machine can be after the dialog is up: a name typed before then is in no folder.
      if (!initialFolder.empty() && GTK_IS_FILE_CHOOSER(dialog)) {
        ASSERT_TRUE(gui.PumpUntil([&] { return CurrentFolder(dialog) == initialFolder; }))
            << "the chooser is in \"" << CurrentFolder(dialog) << "\"";
      }
      person(window, dialog);
    });
    RuntimeObject* chosen = FolderItemDialogShowModal(dialog);
    EXPECT_TRUE(gui.StepsDone());
    EXPECT_EQ(chosen, AsFolderItemDialog(dialog)->result);
    const std::string path = chosen ? PathOf(chosen) : "";
    RuntimeUnlockObject(chosen);
    return path;
  }

  // Types a path into the chooser's location entry, which a "/" opens, and presses Return. (An
  // open dialog without a folder starts in the recent files, where the first keys go astray:
  // the tests that type paths give one.)
  void TypePath(XWindow window, const std::string& path) {
    gui.Type("/");
    GtkEntry* entry = nullptr;
    ASSERT_TRUE(gui.PumpUntil([&] {
      GtkWidget* focus = gtk_window_get_focus(gui.Gtk(window));
      entry = focus && GTK_IS_ENTRY(focus) ? GTK_ENTRY(focus) : nullptr;
      return entry && std::string(gtk_entry_get_text(entry)) == "/";
    }));
    TypeThenReturn(entry, path.substr(1), path);
  }

  // Types text into entry, which has the focus, and presses Return only once it holds expected:
  // a key lost under load would leave the dialog waiting (until the driver's watch failed it).
  void TypeThenReturn(GtkEntry* entry, const std::string& text, const std::string& expected) {
    gui.Type(text);
    ASSERT_TRUE(gui.PumpUntil([&] { return gtk_entry_get_text(entry) == expected; }))
        << "the entry holds \"" << gtk_entry_get_text(entry) << "\"";
    Answer(GTK_WIDGET(entry), [&] { gui.Key("Return"); });
  }

  // Does act until the dialog holding widget answers, three times at most, as a person does
  // whose key the entry's completion took (its list of names, which it opens once it has read
  // the folder, late on a loaded machine, takes a Return or Escape for itself) or whose click
  // met a window still being placed.
  void Answer(GtkWidget* widget, const std::function<void()>& act) {
    GtkWidget* dialog = gtk_widget_get_toplevel(widget);
    bool responded = false;
    const gulong handler = g_signal_connect_swapped(
        dialog, "response", G_CALLBACK(+[](bool* flag) { *flag = true; }), &responded);
    for (int tries = 0; tries < 3 && !responded; ++tries) {
      act();
      gui.PumpUntil([&] { return responded; }, 10000);
    }
    g_signal_handler_disconnect(dialog, handler);
    EXPECT_TRUE(responded) << "the dialog did not answer three tries";
  }

  qvtest::GuiDriver gui;
  std::string initialFolder;  // SetFolder's
  // Paths are typed into the chooser: keep them out of the busy /tmp.
  qvtest::TempFolder files{"qvdialog", std::filesystem::current_path().string()};
  RuntimeObject* dialog = nullptr;
};

// (A folder chosen in an open dialog: see the file selection, which answers one.)
TEST_F(FolderItemDialogTest, OpenReturnsTheTypedFileAndEscapeGivesNil) {
  WriteFile(files / "chosen.txt");
  Make(OpenDialogClassDefinition());
  SetFolder(gHome.folder.path());
  EXPECT_EQ(Run([&](XWindow window, GtkWidget*) { TypePath(window, files / "chosen.txt"); }),
            files / "chosen.txt");
  EXPECT_EQ(Run([&](XWindow, GtkWidget* chooser) { Answer(chooser, [&] { gui.Key("Escape"); }); }),
            "");
  EXPECT_EQ(AsFolderItemDialog(dialog)->result, nullptr);
}

TEST_F(FolderItemDialogTest, AChosenNameOutsideASCIIReadsBackUnchanged) {
  const std::string name = "Caf\xC3\xA9.txt";
  WriteFile(files / name);
  Make(OpenDialogClassDefinition());
  SetFolder(gHome.folder.path());
  ASSERT_EQ(Run([&](XWindow window, GtkWidget*) { TypePath(window, files / name); }), files / name);
  const string chosenName = string::Adopt(fileNameGetter(AsFolderItemDialog(dialog)->result, 0));
  EXPECT_EQ(chosenName.Encoding(), kEncodingUTF8);
  EXPECT_EQ(std::string(chosenName.CString()), name);
}

TEST_F(FolderItemDialogTest, SaveStartsInTheInitialFolder) {
  Make(SaveAsDialogClassDefinition());
  SetFolder(files.path());
  EXPECT_EQ(Run([&](XWindow, GtkWidget* chooser) {
              gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
              EXPECT_STREQ(folder, files.path().c_str());
              g_free(folder);
              gui.Type("fresh.txt");
              gui.Key("Return");
            }),
            files / "fresh.txt");
}

// An existing name asks first: No returns to the chooser, which still holds the name; Yes takes
// the file. Each answer is a step of its own, as the question shows only once the chooser's
// run has returned, which waits for the step that clicked. (The name is set and Save clicked: typing the name of a file that is there
// opens the entry's completion, which would take a Return.)
TEST_F(FolderItemDialogTest, SaveAsksBeforeReplacingAFile) {
  WriteFile(files / "existing.txt");
  Make(SaveAsDialogClassDefinition());
  SetFolder(files.path());
  XWindow window = 0;
  XWindow question = 0;  // the last one asked
  std::vector<std::string> questions;
  const auto clickSave = [&] {
    window = gui.WaitForWindow(kTitle);
    ASSERT_TRUE(window);
    GtkWidget* chooser = GTK_WIDGET(gui.Gtk(window));
    // A click needs no keyboard focus, which the window manager may leave elsewhere once the
    // question has gone.
    if (question) {
      ASSERT_TRUE(gui.WaitUntilClosed(question));
    }
    if (questions.empty()) {
      ASSERT_TRUE(gui.WaitForFocus(window));
      gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), "existing.txt");
    }
    // The chooser looks at the name before it answers: the step ends once it has.
    Answer(chooser, [&] { gui.Click(gui.FindButton(window, "Save")); });
  };
  // The answer by its button's mnemonic: the window manager may still be moving the new
  // question over its parent, where a click could miss.
  const auto answer = [&](const char* key) {
    question = gui.WaitForWindow("");
    ASSERT_TRUE(question);
    ASSERT_TRUE(gui.WaitForFocus(question));
    const std::vector<std::string> texts = gui.Texts(question);
    questions.push_back(texts.empty() ? "" : texts[0]);
    EXPECT_TRUE(gui.FindButton(question, std::string(key) == "alt+n" ? "No" : "Yes"));
    gui.Key(key);
  };
  gui.Meanwhile(clickSave);
  gui.Meanwhile([&] { answer("alt+n"); });
  gui.Meanwhile(clickSave);
  gui.Meanwhile([&] { answer("alt+y"); });
  RuntimeObject* chosen = FolderItemDialogShowModal(dialog);
  EXPECT_TRUE(gui.StepsDone());
  ASSERT_TRUE(chosen);
  EXPECT_EQ(PathOf(chosen), files / "existing.txt");
  RuntimeUnlockObject(chosen);
  const std::string asked = "'" + (files / "existing.txt") + "' already exists.\nOverwrite it?";
  EXPECT_EQ(questions, (std::vector<std::string>{asked, asked}));
}

TEST_F(FolderItemDialogTest, TwoRegisteredTypesGiveTwoFiltersOfTheirExtensions) {
  Make(OpenDialogClassDefinition());
  SetString(dialog, offsetof(FolderItemDialogObject, filter), "plain TEXT;Nobody;Notes");
  Run([&](XWindow, GtkWidget* chooser) {
    GSList* filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(chooser));
    ASSERT_EQ(g_slist_length(filters), 2u);
    auto* plain = GTK_FILE_FILTER(filters->data);
    auto* notes = GTK_FILE_FILTER(filters->next->data);
    g_slist_free(filters);
    EXPECT_STREQ(gtk_file_filter_get_name(plain), "Plain text");
    EXPECT_STREQ(gtk_file_filter_get_name(notes), "Notes");
    // ".txt" and "txt" make the same pattern; the empty field makes none.
    EXPECT_TRUE(Accepts(plain, "a.txt"));
    EXPECT_TRUE(Accepts(notes, "a.txt"));
    EXPECT_TRUE(Accepts(notes, "a.note"));
    EXPECT_FALSE(Accepts(plain, "a.note"));
    EXPECT_FALSE(Accepts(notes, "a."));
    EXPECT_FALSE(Accepts(notes, "a.md"));
    gui.Key("Escape");
  });
  // The run that built the list emptied it again.
  EXPECT_TRUE(AsFolderItemDialog(dialog)->fileTypes.empty());
}

// Picking the other filter with the mouse gives the name that type's extension, unless the
// name ends with it already, in any case. The test's own reference goes while the dialog is
// up: the run keeps the object that the filter handler reads.
TEST_F(FolderItemDialogTest, PickingAnotherFilterChangesTheNamesExtension) {
  Make(SaveAsDialogClassDefinition());
  SetFolder(files.path());
  SetString(dialog, offsetof(FolderItemDialogObject, filter), "Plain text;Notes");
  SetString(dialog, offsetof(FolderItemDialogObject, suggestedFileName), "report.txt");
  RuntimeObject* running = std::exchange(dialog, nullptr);  // released while the dialog is up
  gui.Meanwhile([&] {
    const XWindow window = gui.WaitForWindow(kTitle);
    ASSERT_TRUE(window);
    ASSERT_TRUE(gui.WaitForFocus(window));
    GtkWidget* chooser = GTK_WIDGET(gui.Gtk(window));
    RuntimeUnlockObject(running);
    // The chooser names a file once it has read its folder.
    ASSERT_TRUE(gui.PumpUntil([&] { return ChooserName(chooser) == "report.txt"; }));
    GtkWidget* combo = nullptr;
    ASSERT_TRUE(gui.PumpUntil([&] {
      combo = FindFilterCombo(chooser, "Plain text");
      return combo && gtk_widget_get_mapped(combo);
    }));
    const auto pick = [&](int row, const std::string& expected) {
      gui.Click(combo);
      const XWindow menu = gui.WaitForOpenMenu();
      ASSERT_TRUE(menu);
      gui.ClickMenuRow(menu, row);
      ASSERT_TRUE(gui.WaitForMenuClosed(menu));
      EXPECT_TRUE(gui.PumpUntil([&] { return ChooserName(chooser) == expected; }))
          << ChooserName(chooser);
    };
    pick(1, "report.note");
    const FileType* current = AsFolderItemDialog(running)->currentFileType;
    ASSERT_TRUE(current);
    EXPECT_STREQ(current->name.CString(), "Notes");
    pick(0, "report.txt");
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), "REPORT.NOTE");
    pick(1, "REPORT.NOTE");
    gui.Key("Escape");
  });
  EXPECT_EQ(FolderItemDialogShowModal(running), nullptr);
  EXPECT_TRUE(gui.StepsDone());
}

TEST_F(FolderItemDialogTest, SelectFolderReturnsTheFolderAndShowsNoFilter) {
  std::filesystem::create_directory(files / "pick");
  Make(SelectFolderDialogClassDefinition());
  SetString(dialog, offsetof(FolderItemDialogObject, filter), "Plain text");
  SetFolder(files / "pick");
  EXPECT_EQ(Run([&](XWindow window, GtkWidget* chooser) {
              EXPECT_EQ(gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(chooser)), nullptr);
              gui.Click(gui.FindButton(window, "Open"));
            }),
            files / "pick/");
}

TEST_F(FolderItemDialogTest, TheGlobalFunctionsRunADialogOfTheirKind) {
  gui.Meanwhile([&] {
    const XWindow window = gui.WaitForWindow("");
    ASSERT_TRUE(window);
    ASSERT_TRUE(gui.WaitForFocus(window));
    GtkWidget* chooser = GTK_WIDGET(gui.Gtk(window));
    EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(chooser)),
              GTK_FILE_CHOOSER_ACTION_SAVE);
    GSList* filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(chooser));
    EXPECT_EQ(g_slist_length(filters), 1u);
    g_slist_free(filters);
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), files.path().c_str());
    ASSERT_TRUE(gui.PumpUntil([&] {
      gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
      const bool there = folder && files.path() == folder;
      g_free(folder);
      return there && ChooserName(chooser) == "draft.note";
    }));
    gui.Key("Return");
  });
  RuntimeObject* saved =
      RuntimeGetSaveFolderItem(Text("Notes").Storage(), Text("draft.note").Storage());
  EXPECT_TRUE(gui.StepsDone());
  ASSERT_TRUE(saved);
  EXPECT_EQ(PathOf(saved), files / "draft.note");
  RuntimeUnlockObject(saved);
}

TEST_F(FolderItemDialogTest, TheAbstractClassRaisesAndShowsNothing) {
  qvtest::RaisedExceptions raised;
  Make(FolderItemDialogClassDefinition());
  EXPECT_EQ(AsFolderItemDialog(dialog)->kind, kFolderItemDialogAbstract);
  EXPECT_EQ(FolderItemDialogShowModal(dialog), nullptr);
  EXPECT_EQ(raised.TakeOne(),
            "UnsupportedFormatException: It looks like you're trying to use the abstract "
            "FolderItemDialog class instead of a concrete class");
  EXPECT_EQ(gui.FindWindow(kTitle), 0u);
}

// A dialog shown on a language thread that is killed, or whose program quits, ends at once:
// the thread's call returns nil and its ThreadEndException unwinds it; Kill and Quit return.
// On the main thread the dialog ends when the program quits.
RuntimeObject* gRunningDialog = nullptr;
std::string gThreadSaw;
void ShowOnThread(RuntimeObject*) {
  RuntimeObject* chosen = FolderItemDialogShowModal(gRunningDialog);
  gThreadSaw = (chosen ? "an item after " : "nil after ") + qvtest::ThreadRaises::OnCurrentThread();
  RuntimeUnlockObject(chosen);
}

TEST_F(FolderItemDialogTest, AKilledThreadOrAQuitEndsTheDialog) {
  SetUnhandledExceptionHook([](RuntimeObject*) {});
  Make(OpenDialogClassDefinition());
  gRunningDialog = dialog;
  for (const bool quit : {false, true}) {
    SCOPED_TRACE(quit ? "Quit" : "Kill");
    qvtest::HangWatchdog watchdog(quit ? "file dialog: Quit" : "file dialog: Kill");
    qvtest::ThreadRaises raises;
    RuntimeObject* thread = qvtest::NewThread(ShowOnThread);
    threadRun(thread);
    XWindow shown = 0;
    ASSERT_TRUE(qvtest::MainRunsPassesUntil([&] { return (shown = gui.FindWindow(kTitle)); }));
    if (quit) {
      ApplicationQuit(nullptr, true);
    } else {
      ThreadKill(thread);
    }
    EXPECT_EQ(ThreadGetState(thread, 0), 4);
    EXPECT_EQ(gThreadSaw, "nil after ThreadEndException");
    EXPECT_TRUE(gui.WaitUntilClosed(shown));
    RuntimeUnlockObject(thread);
  }
  {
    qvtest::HangWatchdog watchdog("file dialog on the main thread: Quit");
    qvtest::QuitOnceWhen quit([&] { return gui.FindWindow(kTitle) != 0; });
    EXPECT_EQ(FolderItemDialogShowModal(dialog), nullptr);
  }
  EXPECT_TRUE(MainLoopQuitRequested());
  ClearQuitRequestForTesting();
  EXPECT_TRUE(qvtest::MainWaitsForThreads());
  SetUnhandledExceptionHook(nullptr);
}

// Each hidden function in a process of its own: lookups are kept for the process's life.
class HiddenGtkFunctions : public FolderItemDialogTest {
 protected:
  void SetUp() override {
    FolderItemDialogTest::SetUp();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
  }
  // Runs body in a new process of this binary with the function hidden; body's result is the
  // process's exit status.
  void ExpectWithout(const char* function, const std::function<bool()>& body) {
    const auto run = [&] {
      HideGtkSymbolForTesting(function);
      const bool passed = body() && !testing::Test::HasFailure();
      // The parent shows only this process's standard error: say there what failed.
      const testing::TestResult* result =
          testing::UnitTest::GetInstance()->current_test_info()->result();
      for (int i = 0; i < result->total_part_count(); ++i) {
        const testing::TestPartResult& part = result->GetTestPartResult(i);
        if (!part.failed()) continue;
        fprintf(stderr, "%s:%d: %s\n", part.file_name() ? part.file_name() : "?",
                part.line_number(), part.message());
      }
      // exit runs no destructor of the fixture: its folder goes here.
      std::error_code ignored;
      std::filesystem::remove_all(files.path(), ignored);
      std::exit(passed ? 0 : 1);
    };
    EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
  }
};

TEST_F(HiddenGtkFunctions, WithoutTheChooserTheFileSelectionRuns) {
  WriteFile(files / "old.txt");
  ExpectWithout("gtk_file_chooser_dialog_new", [&] {
    qvtest::ReportCapture reports;  // a selection has no filters to miss
    Make(OpenDialogClassDefinition());
    SetString(dialog, offsetof(FolderItemDialogObject, filter), "Plain text");
    // Typed only once the name field has the focus, and Return pressed once it holds every
    // key: on a loaded machine the keys could start in the folder list, whose Return opens a
    // folder and leaves the selection up.
    const std::string typed = Run([&](XWindow, GtkWidget* selection) {
      ASSERT_TRUE(GTK_IS_FILE_SELECTION(selection));
      GtkWidget* entry = GTK_FILE_SELECTION(selection)->selection_entry;
      ASSERT_TRUE(gui.PumpUntil([&] { return gtk_widget_has_focus(entry); }))
          << "the name field never took the focus";
      gui.Key("ctrl+a");
      TypeThenReturn(GTK_ENTRY(entry), files / "old.txt", files / "old.txt");
    });
    // OK with the name field empty answers the folder with a "/", and a folder's own path
    // typed there answers it without: neither is a file.
    std::filesystem::create_directory(files / "inner");
    std::vector<std::string> folders;
    for (const std::string& entry : {std::string(), files / "inner"}) {
      folders.push_back(Run([&](XWindow window, GtkWidget* selection) {
        gtk_file_selection_set_filename(GTK_FILE_SELECTION(selection),
                                        (files.path() + "/").c_str());
        gtk_entry_set_text(GTK_ENTRY(GTK_FILE_SELECTION(selection)->selection_entry),
                           entry.c_str());
        gui.Click(gui.FindButton(window, "OK"));
      }));
    }
    const bool noFolder = folders == std::vector<std::string>{"", ""};
    return typed == files / "old.txt" && noFolder && reports.empty();
  });
}

TEST_F(HiddenGtkFunctions, WithoutAFilterFunctionOneReportThenNoFilters) {
  ExpectWithout("gtk_file_filter_add_pattern", [&] {
    qvtest::ReportCapture reports;
    Make(OpenDialogClassDefinition());
    SetFolder(files.path());
    SetString(dialog, offsetof(FolderItemDialogObject, filter), "Plain text;Notes");
    bool shown = false;
    Run([&](XWindow, GtkWidget* chooser) {
      shown = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(chooser)) == nullptr;
      gui.Key("Escape");
    });
    return shown && reports.count() == 1 &&
           reports.HasCondition(
               "gtk_file_chooser_add_filter_dyn and gtk_file_filter_new_dyn and "
               "gtk_file_filter_set_name_dyn and gtk_file_filter_add_pattern_dyn");
  });
}

TEST_F(HiddenGtkFunctions, WithoutTheFilterNameAPickedFilterReportsAndKeepsTheName) {
  ExpectWithout("gtk_file_filter_get_name", [&] {
    qvtest::ReportCapture reports;
    Make(SaveAsDialogClassDefinition());
    SetFolder(files.path());
    SetString(dialog, offsetof(FolderItemDialogObject, filter), "Plain text;Notes");
    SetString(dialog, offsetof(FolderItemDialogObject, suggestedFileName), "kept.txt");
    Run([&](XWindow, GtkWidget* chooser) {
      GSList* filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(chooser));
      ASSERT_EQ(g_slist_length(filters), 2u);
      gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(chooser), GTK_FILE_FILTER(filters->next->data));
      g_slist_free(filters);
      // The chooser names its file once it has read the folder: later on a loaded machine.
      EXPECT_TRUE(gui.PumpUntil([&] { return ChooserName(chooser) == "kept.txt"; }))
          << ChooserName(chooser);
      gui.Key("Escape");
    });
    EXPECT_EQ(reports.count(), 1);
    EXPECT_TRUE(
        reports.HasCondition("gtk_file_chooser_get_filter_dyn and gtk_file_filter_get_name_dyn"));
    return true;
  });
}

// ---- the extension rule, no display needed ----

bool Changed(std::string* name, const std::string& list, const std::string& extension,
             int32_t limit = 1024) {
  string text = Text(*name);
  const bool changed = ApplyExtensionRule(&text, Text(list), Text(extension), limit);
  *name = std::string(text.CString(), size_t(text.Length()));
  return changed;
}

TEST(ExtensionRule, ReplacesTheLastExtensionUnlessOneOfTheListEndsTheName) {
  std::string name = "archive.tar.gz";
  EXPECT_TRUE(Changed(&name, "zip", "zip"));
  EXPECT_EQ(name, "archive.tar.zip");
  name = "notes";
  EXPECT_TRUE(Changed(&name, "txt", "txt"));
  EXPECT_EQ(name, "notes.txt");
  name = "NOTES.TXT";
  EXPECT_FALSE(Changed(&name, "md;.txt", "md"));
  EXPECT_EQ(name, "NOTES.TXT");
  name = "x.md";
  EXPECT_FALSE(Changed(&name, "md", ""));
  // Empty fields match nothing: a name ending in "." still takes the extension.
  name = "draft.";
  EXPECT_TRUE(Changed(&name, ";;md;", "md"));
  EXPECT_EQ(name, "draft.md");
}

TEST(ExtensionRule, ALongNameIsCutAtACharacterBoundary) {
  // Two-byte characters: a limit of 10 leaves 10 - 4 = 6 bytes, three characters; 11 leaves
  // 7, where the cut would halve the fourth, so it backs off to 6.
  const std::string e = "\xC3\xA9";
  std::string name = e + e + e + e + e + e + e + e + e + ".doc";
  EXPECT_TRUE(Changed(&name, "txt", "txt", 10));
  EXPECT_EQ(name, e + e + e + ".txt");
  name = e + e + e + e + e + ".doc";
  EXPECT_TRUE(Changed(&name, "txt", "txt", 11));
  EXPECT_EQ(name, e + e + e + ".txt");
  EXPECT_TRUE(g_utf8_validate(name.c_str(), -1, nullptr));
}

TEST(ExtensionRule, TheFirstExtensionOfAType) {
  FileType type{};
  for (const auto& [list, first] : std::vector<std::pair<const char*, const char*>>{
           {" .txt , .text;.md", "txt"}, {";;md;txt", "md"}, {"\t.Note\t", "Note"}, {"", ""}}) {
    type.extensions = Text(list);
    EXPECT_EQ(std::string(FileTypeFirstExtension(type).CString()), first) << list;
  }
}

}  // namespace
