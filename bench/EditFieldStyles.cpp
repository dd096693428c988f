// A styled multi-line edit field beside a plain GtkTextView doing the same work: 1 MB of text
// set (gtk_text_buffer_set_text), 10,000 style runs of font, size, colour and bold applied
// (gtk_text_buffer_apply_tag with tags made once), the runs read back (a walk from toggle to
// toggle collecting each stretch's tags and text), and the style data written and read back
// beside the same per-character walk and the same tags applied.
// Needs a display: scripts/with-display build/bench/bench_EditFieldStyles
#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "BenchWindow.h"
#include "controls/EditControlGTK.h"

namespace {

constexpr int32_t kTextBytes = 1 << 20;
constexpr int32_t kRuns = 10000;
constexpr int32_t kStyledBytes = 200000;  // the text the runs and style data work on

// Each pair works on a field and a plain buffer of its own, since the repetitions of the pairs
// run interleaved: 0 setting text, 1 styling, 2 reading runs, 3 style data.
enum Pair { kSetText, kStyling, kReading, kStyleData, kPairs };

struct PlainBuffer {
  GtkTextBuffer* buffer = nullptr;
  GtkTextTag* bold = nullptr;
  std::vector<GtkTextTag*> fonts;
  std::vector<GtkTextTag*> sizes;
  std::vector<GtkTextTag*> colors;
};

EditControlGTK* gFields[kPairs] = {};
PlainBuffer gPlains[kPairs];
std::string gText;
std::string gStyledText;

const char* const kFonts[] = {"Serif", "Sans", "Monospace"};
const int32_t kSizes[] = {10, 12, 14, 18};
const uint32_t kColors[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080};

int32_t RunStart(int32_t i) { return int32_t(int64_t(i) * (kStyledBytes - 20) / kRuns); }

void StyleField(EditControlGTK* field) {
  for (int32_t i = 0; i < kRuns; ++i) {
    const int32_t start = RunStart(i);
    const int32_t length = RunStart(i + 1) - start;
    field->SetStyleFont(start, length, kFonts[i % 3]);
    field->SetStyleSize(start, length, kSizes[i % 4]);
    field->SetStyleColor(start, length, kColors[i % 4]);
    if (i % 2) field->SetRangeBold(start, length, true);
  }
}

void StylePlain(const PlainBuffer& plain) {
  for (int32_t i = 0; i < kRuns; ++i) {
    GtkTextIter from;
    GtkTextIter to;
    gtk_text_buffer_get_iter_at_offset(plain.buffer, &from, RunStart(i));
    gtk_text_buffer_get_iter_at_offset(plain.buffer, &to, RunStart(i + 1));
    gtk_text_buffer_apply_tag(plain.buffer, plain.fonts[size_t(i % 3)], &from, &to);
    gtk_text_buffer_apply_tag(plain.buffer, plain.sizes[size_t(i % 4)], &from, &to);
    gtk_text_buffer_apply_tag(plain.buffer, plain.colors[size_t(i % 4)], &from, &to);
    if (i % 2) gtk_text_buffer_apply_tag(plain.buffer, plain.bold, &from, &to);
  }
}

// The plain reading: from toggle to toggle, each stretch's tag names and text.
size_t ReadPlainRuns(GtkTextBuffer* buffer) {
  GtkTextIter iter;
  GtkTextIter end;
  gtk_text_buffer_get_bounds(buffer, &iter, &end);
  size_t total = 0;
  while (!gtk_text_iter_equal(&iter, &end)) {
    GtkTextIter next = iter;
    gtk_text_iter_forward_to_tag_toggle(&next, nullptr);
    GSList* tags = gtk_text_iter_get_tags(&iter);
    for (GSList* t = tags; t; t = t->next) {
      gchar* name = nullptr;
      g_object_get(t->data, "name", &name, nullptr);
      total += strlen(name);
      g_free(name);
    }
    g_slist_free(tags);
    gchar* text = gtk_text_buffer_get_text(buffer, &iter, &next, FALSE);
    total += strlen(text);
    g_free(text);
    iter = next;
  }
  return total;
}

void BM_FieldSetText(benchmark::State& state) {
  const string text = string::FromBytes(gText.data(), int64_t(gText.size()), kEncodingUTF8);
  for (auto _ : state) gFields[kSetText]->SetText(text);
}
BENCHMARK(BM_FieldSetText)->Unit(benchmark::kMillisecond);

void BM_PlainSetText(benchmark::State& state) {
  GtkTextBuffer* buffer = gPlains[kSetText].buffer;
  for (auto _ : state) gtk_text_buffer_set_text(buffer, gText.data(), int(gText.size()));
}
BENCHMARK(BM_PlainSetText)->Unit(benchmark::kMillisecond);

void BM_FieldStyleRuns(benchmark::State& state) {
  const string text =
      string::FromBytes(gStyledText.data(), int64_t(gStyledText.size()), kEncodingUTF8);
  for (auto _ : state) {
    state.PauseTiming();
    gFields[kStyling]->SetText(text);
    state.ResumeTiming();
    StyleField(gFields[kStyling]);
  }
}
BENCHMARK(BM_FieldStyleRuns)->Unit(benchmark::kMillisecond);

void BM_PlainStyleRuns(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    gtk_text_buffer_set_text(gPlains[kStyling].buffer, gStyledText.data(),
                             int(gStyledText.size()));
    state.ResumeTiming();
    StylePlain(gPlains[kStyling]);
  }
}
BENCHMARK(BM_PlainStyleRuns)->Unit(benchmark::kMillisecond);

void BM_FieldReadRuns(benchmark::State& state) {
  EditControlGTK* field = gFields[kReading];
  int32_t alignment = 1;
  for (auto _ : state) {
    alignment = 3 - alignment;  // a change makes the runs stale again
    field->SetAlignment(alignment);
    StyleRunInfo run;
    size_t total = 0;
    const int32_t count = field->StyleRunCount();
    for (int32_t i = 0; i < count; ++i) {
      if (field->GetStyleRun(i, &run)) total += size_t(run.text.Length());
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_FieldReadRuns)->Unit(benchmark::kMillisecond);

void BM_PlainReadRuns(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadPlainRuns(gPlains[kReading].buffer));
}
BENCHMARK(BM_PlainReadRuns)->Unit(benchmark::kMillisecond);

void BM_FieldStyleData(benchmark::State& state) {
  const string text =
      string::FromBytes(gStyledText.data(), int64_t(gStyledText.size()), kEncodingUTF8);
  for (auto _ : state) {
    const string data = gFields[kStyleData]->GetTextStyleData();
    gFields[kStyleData]->SetTextAndStyle(text, data);
  }
}
BENCHMARK(BM_FieldStyleData)->Unit(benchmark::kMillisecond);

void BM_PlainStyleData(benchmark::State& state) {
  for (auto _ : state) {
    const PlainBuffer& plain = gPlains[kStyleData];
    benchmark::DoNotOptimize(ReadPlainRuns(plain.buffer));
    gtk_text_buffer_set_text(plain.buffer, gStyledText.data(), int(gStyledText.size()));
    StylePlain(plain);
  }
}
BENCHMARK(BM_PlainStyleData)->Unit(benchmark::kMillisecond);

// ---- set-up ----

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, 400, 300, "Fields");
}

void MakeText() {
  const char words[] = "styled text in an edit field, line after line ";
  while (gText.size() < size_t(kTextBytes)) {
    gText += words;
    if (gText.size() % 7 == 0) gText += "\n";
  }
  gText.resize(size_t(kTextBytes));
  gStyledText = gText.substr(0, size_t(kStyledBytes));
}

extern "C" void CreateNoControls(RuntimeObject*) {}

bool ShowBoth() {
  RuntimeObject* window = qvbench::ShowWindow("FieldsWindow", reinterpret_cast<void*>(&LayOut),
                                              reinterpret_cast<void*>(&CreateNoControls));
  if (!qvbench::PumpUntil([&] { return qvbench::WindowMapped(window); })) return false;
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  if (!native) return false;
  GtkWidget* plainWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* box = gtk_vbox_new(FALSE, 0);
  gtk_container_add(GTK_CONTAINER(plainWindow), box);
  const string styled =
      string::FromBytes(gStyledText.data(), int64_t(gStyledText.size()), kEncodingUTF8);
  for (int pair = 0; pair < kPairs; ++pair) {
    const int16_t top = int16_t(pair * 70);
    gFields[pair] = static_cast<EditControlGTK*>(CreateStyledMultilineEditControl(
        nullptr, native, 0, {top, 0, int16_t(top + 60), 400}, true, DefaultFontSpec(), true,
        false));
    GtkWidget* view = qvbench::PackPlainTextView(box, TRUE);
    PlainBuffer& plain = gPlains[pair];
    plain.buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    plain.bold = gtk_text_buffer_create_tag(plain.buffer, "bold", "weight", 700, nullptr);
    for (const char* font : kFonts) {
      plain.fonts.push_back(gtk_text_buffer_create_tag(
          plain.buffer, (std::string("fontName") + font).c_str(), "family", font, nullptr));
    }
    for (int32_t size : kSizes) {
      plain.sizes.push_back(gtk_text_buffer_create_tag(plain.buffer,
                                                       ("fontSize" + std::to_string(size)).c_str(),
                                                       "size", size * PANGO_SCALE, nullptr));
    }
    for (uint32_t rgb : kColors) {
      GdkColor c = {0, guint16((rgb >> 16) * 257), guint16((rgb >> 8 & 0xFF) * 257),
                    guint16((rgb & 0xFF) * 257)};
      char name[40];
      snprintf(name, sizeof name, "foregroundColor%04X%04X%04X", c.red, c.green, c.blue);
      plain.colors.push_back(
          gtk_text_buffer_create_tag(plain.buffer, name, "foreground-gdk", &c, nullptr));
    }
    // The reading and style-data pairs start from the styled text.
    gFields[pair]->SetText(styled);
    StyleField(gFields[pair]);
    gtk_text_buffer_set_text(plain.buffer, gStyledText.data(), int(gStyledText.size()));
    StylePlain(plain);
  }
  gtk_widget_show_all(plainWindow);
  for (int pass = 0; pass < 200; ++pass) MainLoopDoEvents(false);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_EditFieldStyles")) return 0;
  MakeText();
  if (!ShowBoth()) {
    std::fprintf(stderr, "bench_EditFieldStyles: the window did not come up\n");
    return 1;
  }
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_FieldSetText", "BM_PlainSetText", 1.2},
                                 {"BM_FieldStyleRuns", "BM_PlainStyleRuns", 2},
                                 {"BM_FieldReadRuns", "BM_PlainReadRuns", 3},
                                 {"BM_FieldStyleData", "BM_PlainStyleData", 3}});
}
