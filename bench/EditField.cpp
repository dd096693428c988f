// EditField language objects beside plain GTK widgets doing the same work: 1 MB of text set on a
// multi-line field with a TextChange handler and read back (gtk_text_buffer_set_text and
// gtk_text_buffer_get_text), 2,000 lines appended with AppendText (gtk_text_buffer_insert at
// the end iterator), and typing: 200 keys through a masked single-line field's key path, each
// checked against the mask, beside gtk_editable_insert_text at the cursor of a GtkEntry, into
// an empty field and after 2,000 characters (a key costs the same at any length).
// To finish well within a minute on a loaded machine, each repetition runs for at least 0.1 s
// of processor time (not Google Benchmark's 0.5 s), and the log takes 2,000 lines: enough to
// show a cost that grows with the text, a fifth of the 10,000 once used.
// Needs a display: scripts/with-display build/bench/bench_EditField
#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "BenchRatio.h"
#include "BenchWindow.h"
#include "controls/EditControlGTK.h"
#include "controls/EditField.h"
#include "windows/WindowControls.h"

namespace {

constexpr int32_t kTextBytes = 1 << 20;
constexpr int32_t kLines = 2000;
constexpr int32_t kKeys = 200;
constexpr int32_t kTypedBefore = 2000;  // characters in the field before the long run's keys

RuntimeObject* gBigField = nullptr;     // multi-line, text set and read
RuntimeObject* gLogField = nullptr;     // multi-line, lines appended
RuntimeObject* gMaskedField = nullptr;  // single-line with a mask, typed into
GtkTextBuffer* gPlainBig = nullptr;
GtkTextBuffer* gPlainLog = nullptr;
GtkWidget* gPlainEntry = nullptr;
std::string gText;
int gTextChanges = 0;

extern "C" void CountTextChange(RuntimeObject*) { ++gTextChanges; }

void BM_FieldSetAndGetText(benchmark::State& state) {
  const string text = string::FromBytes(gText.data(), int64_t(gText.size()), kEncodingUTF8);
  for (auto _ : state) {
    editTextSetter(gBigField, 0, text.Storage());
    stringStorage* back = editTextGetter(gBigField, 0);
    benchmark::DoNotOptimize(back);
    stringStorage::RemoveReference(back);
  }
}
BENCHMARK(BM_FieldSetAndGetText)->Unit(benchmark::kMillisecond);

void BM_PlainSetAndGetText(benchmark::State& state) {
  for (auto _ : state) {
    gtk_text_buffer_set_text(gPlainBig, gText.data(), int(gText.size()));
    GtkTextIter start;
    GtkTextIter end;
    gtk_text_buffer_get_bounds(gPlainBig, &start, &end);
    gchar* back = gtk_text_buffer_get_text(gPlainBig, &start, &end, FALSE);
    benchmark::DoNotOptimize(back);
    g_free(back);
  }
}
BENCHMARK(BM_PlainSetAndGetText)->Unit(benchmark::kMillisecond);

void BM_FieldAppendLines(benchmark::State& state) {
  const string line("one more line of the log\n");
  for (auto _ : state) {
    state.PauseTiming();
    editTextSetter(gLogField, 0, nullptr);
    state.ResumeTiming();
    for (int32_t i = 0; i < kLines; ++i) editAppendText(gLogField, line.Storage());
  }
}
BENCHMARK(BM_FieldAppendLines)->Unit(benchmark::kMillisecond);

void BM_PlainAppendLines(benchmark::State& state) {
  const char line[] = "one more line of the log\n";
  for (auto _ : state) {
    state.PauseTiming();
    gtk_text_buffer_set_text(gPlainLog, "", 0);
    state.ResumeTiming();
    for (int32_t i = 0; i < kLines; ++i) {
      GtkTextIter end;
      gtk_text_buffer_get_end_iter(gPlainLog, &end);
      gtk_text_buffer_insert(gPlainLog, &end, line, int(sizeof line - 1));
    }
  }
}
BENCHMARK(BM_PlainAppendLines)->Unit(benchmark::kMillisecond);

// The field holds `before` digits (accepted by the mask), the caret at their end.
void TypeMaskedKeys(benchmark::State& state, int32_t before) {
  EditControlGTK* pane = static_cast<EditControlGTK*>(AsControl(gMaskedField)->pane);
  const string digits(std::string(size_t(before), '7').c_str());
  for (auto _ : state) {
    state.PauseTiming();
    editTextSetter(gMaskedField, 0, digits.Storage());
    pane->SetSelection(before, before);
    state.ResumeTiming();
    for (int32_t i = 0; i < kKeys; ++i) pane->HandleChar('0' + i % 10, 0, 0);
  }
}
void BM_FieldTypeMaskedKeys(benchmark::State& state) { TypeMaskedKeys(state, 0); }
void BM_FieldTypeMaskedKeysLong(benchmark::State& state) { TypeMaskedKeys(state, kTypedBefore); }
BENCHMARK(BM_FieldTypeMaskedKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldTypeMaskedKeysLong)->Unit(benchmark::kMillisecond);

void TypePlainKeys(benchmark::State& state, int32_t before) {
  GtkEditable* entry = GTK_EDITABLE(gPlainEntry);
  const std::string digits(size_t(before), '7');
  for (auto _ : state) {
    state.PauseTiming();
    gtk_entry_set_text(GTK_ENTRY(gPlainEntry), digits.c_str());
    gtk_editable_set_position(entry, before);
    state.ResumeTiming();
    for (int32_t i = 0; i < kKeys; ++i) {
      const char key = char('0' + i % 10);
      gint position = gtk_editable_get_position(entry);
      gtk_editable_insert_text(entry, &key, 1, &position);
      gtk_editable_set_position(entry, position);
    }
  }
}
void BM_PlainTypeKeys(benchmark::State& state) { TypePlainKeys(state, 0); }
void BM_PlainTypeKeysLong(benchmark::State& state) { TypePlainKeys(state, kTypedBefore); }
BENCHMARK(BM_PlainTypeKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTypeKeysLong)->Unit(benchmark::kMillisecond);

// ---- set-up ----

RuntimeClass* gFieldClass = nullptr;

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, 400, 300, "Fields");
}

extern "C" void CreateFields(RuntimeObject* window) {
  gBigField = qvbench::AddEditField(window, gFieldClass, "Big", 0, true);
  gLogField = qvbench::AddEditField(window, gFieldClass, "Log", 70, true);
  gMaskedField = qvbench::AddEditField(window, gFieldClass, "Masked", 140, false);
}

bool ShowBoth() {
  gFieldClass = qvbench::Subclass(EditFieldClassDefinition(), "BenchField");
  qvbench::SetEvent(gFieldClass, "TextChange", reinterpret_cast<void*>(&CountTextChange));
  RuntimeObject* window = qvbench::ShowWindow("FieldsWindow", reinterpret_cast<void*>(&LayOut),
                                              reinterpret_cast<void*>(&CreateFields));
  if (!qvbench::PumpUntil([&] { return qvbench::WindowMapped(window); })) return false;
  if (!gMaskedField || !AsControl(gMaskedField)->pane) return false;
  EditMaskSetter(gMaskedField, 0,
                 string(std::string(kTypedBefore + kKeys, '#').c_str()).Storage());

  GtkWidget* plainWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* box = gtk_vbox_new(FALSE, 0);
  gtk_container_add(GTK_CONTAINER(plainWindow), box);
  for (GtkTextBuffer** buffer : {&gPlainBig, &gPlainLog}) {
    *buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(qvbench::PackPlainTextView(box)));
  }
  gPlainEntry = gtk_entry_new();
  gtk_box_pack_start(GTK_BOX(box), gPlainEntry, FALSE, FALSE, 0);
  gtk_widget_show_all(plainWindow);
  return qvbench::PumpUntil([&] { return GTK_WIDGET_MAPPED(plainWindow); });
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_EditField")) return 1;
  while (gText.size() < size_t(kTextBytes)) gText += "a line of text in an edit field\n";
  gText.resize(size_t(kTextBytes));
  if (!ShowBoth()) {
    std::fprintf(stderr, "bench_EditField: the windows did not show\n");
    return 1;
  }
  // At least 0.1 s of processor time a repetition unless the command line says otherwise.
  std::vector<char*> args(argv, argv + argc);
  static char minTime[] = "--benchmark_min_time=0.1";
  if (!qvbench::HasFlag(argc, argv, "--benchmark_min_time")) args.push_back(minTime);
  args.push_back(nullptr);
  return qvbench::RunWithRatios(int(args.size()) - 1, args.data(),
                                {{"BM_FieldSetAndGetText", "BM_PlainSetAndGetText", 1.3},
                                 {"BM_FieldAppendLines", "BM_PlainAppendLines", 2},
                                 {"BM_FieldTypeMaskedKeys", "BM_PlainTypeKeys", 2},
                                 {"BM_FieldTypeMaskedKeysLong", "BM_PlainTypeKeysLong", 2}});
}
