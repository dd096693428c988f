#include "graphics/GTKPrintHelper.h"

#include <dlfcn.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "app/ModalLoop.h"
#include "core/LibraryFinder.h"
#include "core/RuntimeError.h"
#include "graphics/GraphicsClass.h"
#include "graphics/PrintPane.h"

namespace {

constexpr const char* kPrintLibrary = "libgnomeprintui-2-2";

enum PrintEntry : int32_t {
  kJobNew,
  kJobGetContext,
  kBeginPage,
  kShowPage,
  kMoveTo,
  kShow,
  kJobClose,
  kJobPrintToFile,
  kDialogNew,
  kJobGetConfig,
  kConfigDump,
  kConfigGetDouble,
  kConfigGetInt,
  kConfigGet,
  kDialogConstructRangePage,
  kDialogGetType,
  kDialogGetRangePage,
  kConfigGetLength,
  kJobPrint,
  kRGBImage,
  kDialogConstruct,
  kGSave,
  kGRestore,
  kConcat,
  kTranslate,
  kRectStroked,
  kLineStroked,
  kPrintEntryCount,
};

// Bound all together: a library that lacks one of them is no library to print with.
constexpr const char* kPrintEntryNames[kPrintEntryCount] = {
    "gnome_print_job_new",
    "gnome_print_job_get_context",
    "gnome_print_beginpage",
    "gnome_print_showpage",
    "gnome_print_moveto",
    "gnome_print_show",
    "gnome_print_job_close",
    "gnome_print_job_print_to_file",
    "gnome_print_dialog_new",
    "gnome_print_job_get_config",
    "gnome_print_config_dump",
    "gnome_print_config_get_double",
    "gnome_print_config_get_int",
    "gnome_print_config_get",
    "gnome_print_dialog_construct_range_page",
    "gnome_print_dialog_get_type",
    "gnome_print_dialog_get_range_page",
    "gnome_print_config_get_length",
    "gnome_print_job_print",
    "gnome_print_rgbimage",
    "gnome_print_dialog_construct",
    "gnome_print_gsave",
    "gnome_print_grestore",
    "gnome_print_concat",
    "gnome_print_translate",
    "gnome_print_rect_stroked",
    "gnome_print_line_stroked",
};

// The library's unit of a length: its factor to the base unit, the point.
struct PrintUnit {
  uint32_t version;
  uint32_t base;
  double unitToBase;
  const char* name;
  const char* abbreviation;
  const char* plural;
  const char* abbreviationPlural;
};

using JobNewFunction = void* (*)(void* config);
using JobPartFunction = void* (*)(void* job);
using JobStepFunction = int (*)(void* job);
using ContextStepFunction = int (*)(void* context);
using BeginPageFunction = int (*)(void* context, const char* name);
using MoveToFunction = int (*)(void* context, double x, double y);
using ConcatFunction = int (*)(void* context, const double* matrix);
using RGBImageFunction = int (*)(void* context, const guchar* pixels, int width, int height,
                                 int rowStride);
using DialogNewFunction = GtkWidget* (*)(void* job, const char* title, int flags);
using ConstructRangePageFunction = void (*)(GtkWidget* dialog, int flags, int start, int end,
                                            const char* currentLabel, const char* rangeLabel);
using GetRangePageFunction = int (*)(GtkWidget* dialog, int* start, int* end);
using ConfigGetIntFunction = gboolean (*)(void* config, const char* key, int* value);
using ConfigGetLengthFunction = gboolean (*)(void* config, const char* key, double* value,
                                             const PrintUnit** unit);

enum class LibraryState { kNotTried, kLoaded, kUnavailable };

struct PrintLibrary {
  LibraryState state = LibraryState::kNotTried;
  void* entries[kPrintEntryCount] = {};
};

PrintLibrary& Library() {
  static PrintLibrary library;
  return library;
}

template <typename Function>
Function Entry(PrintEntry entry) {
  return reinterpret_cast<Function>(Library().entries[entry]);
}

// The dialog's flags: the copies and the range; its range page: all pages and a range.
constexpr int kDialogRangeAndCopies = 3;
constexpr int kRangeAllAndRange = 6;
constexpr int32_t kLastPossiblePage = 65535;
constexpr int32_t kPointsPerInch = 72;

// Names pages across every job of the process.
int32_t gNextPageNumber = 1;

int32_t ConfigInteger(void* config, const char* key) {
  int value = 0;
  if (!config || !Entry<ConfigGetIntFunction>(kConfigGetInt)(config, key, &value)) return 0;
  return value;
}

// A length of the configuration in points; 0 when the key is absent.
double ConfigLength(void* config, const char* key) {
  double value = 0;
  const PrintUnit* unit = nullptr;
  if (!config || !Entry<ConfigGetLengthFunction>(kConfigGetLength)(config, key, &value, &unit))
    return 0;
  return unit ? value * unit->unitToBase : value;
}

// The paper and its margins, in points.
struct PaperGeometry {
  double left, top, right, bottom, width, height;
};

PaperGeometry ReadPaper(void* config) {
  return {ConfigLength(config, "Settings.Document.Page.Margins.Left"),
          ConfigLength(config, "Settings.Document.Page.Margins.Top"),
          ConfigLength(config, "Settings.Document.Page.Margins.Right"),
          ConfigLength(config, "Settings.Document.Page.Margins.Bottom"),
          ConfigLength(config, "Settings.Output.Media.PhysicalSize.Width"),
          ConfigLength(config, "Settings.Output.Media.PhysicalSize.Height")};
}

int32_t InPixels(int32_t resolution, double points) {
  return int32_t(std::lround(resolution * points / kPointsPerInch));
}

// The resolution the configuration asks for (72 when it names none), within the maximum.
int32_t JobResolution(void* config, const char* key, int32_t maximum) {
  int32_t resolution = ConfigInteger(config, key);
  if (resolution <= 0) resolution = kPointsPerInch;
  if (maximum != -1 && resolution > maximum) resolution = maximum;
  return resolution;
}

void Unreference(void** object) {
  if (*object) g_object_unref(*object);
  *object = nullptr;
}

// Steps the record's open job on to the job given (whose references it takes over), makes the
// page surface and its printing Graphics, and begins the first page.
RuntimeObject* StartJob(PrintSetupRecord* record, RuntimeObject* owner, void* job, void* config,
                        int32_t firstPage, int32_t lastPage) {
  // A job still running on this record ends first: its page surface must not print through
  // the new job.
  if (record->printPane) record->printPane->FinishJob();
  GnomePrintSetupRelease(record);
  record->job = job;
  record->config = config;
  record->context = Entry<JobPartFunction>(kJobGetContext)(job);
  record->horizontalResolution = JobResolution(config, "Settings.Output.Resolution.DPI.X",
                                               record->maxHorizontalResolution);
  record->verticalResolution = JobResolution(config, "Settings.Output.Resolution.DPI.Y",
                                             record->maxVerticalResolution);
  const int32_t copies = ConfigInteger(config, "Settings.Output.Job.NumCopies");

  // A page that the configuration makes empty or past a surface's 16-bit bounds still gets a
  // surface, of the nearest size one can have.
  const int32_t width = std::clamp(GnomePrintSetupValue(record, kSetupPageWidth), 1, 32767);
  const int32_t height = std::clamp(GnomePrintSetupValue(record, kSetupPageHeight), 1, 32767);
  PrintPane* pane = new PrintPane(width, height, record->horizontalResolution,
                                  record->verticalResolution, record, owner);
  record->printPane = pane;
  Graphics* native = NewPrintingGraphics(pane);
  native->SetPrinting(true);
  RuntimeObject* graphics = NewGraphicsObject(native);
  if (graphics) {
    GraphicsObject* fields = reinterpret_cast<GraphicsObject*>(graphics);
    fields->copies = copies;
    fields->firstPage = firstPage;
    fields->lastPage = lastPage;
  } else {
    Graphics::Destroy(native);
    return nullptr;
  }
  GnomePrintBeginPage(record);
  return graphics;
}

}  // namespace

bool LoadGnomePrint() {
  PrintLibrary& library = Library();
  if (library.state != LibraryState::kNotTried) return library.state == LibraryState::kLoaded;
  library.state = LibraryState::kUnavailable;
  void* handle = UnixHelper::LoadLibrary(string(kPrintLibrary));
  if (!handle) return false;
  for (int32_t i = 0; i < kPrintEntryCount; ++i) {
    library.entries[i] = dlsym(handle, kPrintEntryNames[i]);
    if (!library.entries[i]) return false;
  }
  library.state = LibraryState::kLoaded;
  return true;
}

void GnomePrintSetupInit(PrintSetupRecord* record) {
  *record = {.job = nullptr,
             .context = nullptr,
             .config = nullptr,
             .verticalResolution = kPointsPerInch,
             .horizontalResolution = kPointsPerInch,
             .maxVerticalResolution = kPointsPerInch,
             .maxHorizontalResolution = kPointsPerInch,
             .printPane = nullptr};
}

void GnomePrintSetupRelease(PrintSetupRecord* record) {
  Unreference(&record->context);
  Unreference(&record->config);
  Unreference(&record->job);
}

RuntimeObject* GnomePrintOpenWithDialog(PrintSetupRecord* record, RuntimeObject* owner) {
  if (!LoadGnomePrint()) return nullptr;
  void* job = Entry<JobNewFunction>(kJobNew)(nullptr);
  if (!job) return nullptr;
  void* config = Entry<JobPartFunction>(kJobGetConfig)(job);
  GtkWidget* dialog =
      Entry<DialogNewFunction>(kDialogNew)(job, "Print Dialog", kDialogRangeAndCopies);
  if (!dialog) {
    Unreference(&config);
    Unreference(&job);
    return nullptr;
  }
  Entry<ConstructRangePageFunction>(kDialogConstructRangePage)(
      dialog, kRangeAllAndRange, 0, kLastPossiblePage, "None", "Page Range");
  // Only Print prints: Cancel, a close through the window manager and a quit (or the calling
  // thread's kill) all give up the job.
  if (RunDialogModally(GTK_DIALOG(dialog)) != kPrintDialogResponsePrint) {
    gtk_widget_destroy(dialog);
    Unreference(&config);
    Unreference(&job);
    return nullptr;
  }
  int first = 0;
  int last = 0;
  Entry<GetRangePageFunction>(kDialogGetRangePage)(dialog, &first, &last);
  if (first == 0 && last == 0) last = kLastPossiblePage;
  gtk_widget_destroy(dialog);
  return StartJob(record, owner, job, config, first, last);
}

RuntimeObject* GnomePrintOpen(PrintSetupRecord* record, RuntimeObject* owner) {
  if (!LoadGnomePrint()) return nullptr;
  void* job = Entry<JobNewFunction>(kJobNew)(nullptr);
  if (!job) return nullptr;
  void* config = Entry<JobPartFunction>(kJobGetConfig)(job);
  return StartJob(record, owner, job, config, 0, kLastPossiblePage);
}

int32_t GnomePrintSetupValue(const PrintSetupRecord* record, int32_t index) {
  if (!LoadGnomePrint()) return 0;
  const int32_t x = record->horizontalResolution;
  const int32_t y = record->verticalResolution;
  switch (index) {
    case kSetupVerticalResolution:
      return y;
    case kSetupHorizontalResolution:
      return x;
    case kSetupMaxVerticalResolution:
      return record->maxVerticalResolution;
    case kSetupMaxHorizontalResolution:
      return record->maxHorizontalResolution;
    default:
      break;
  }
  if (index < kSetupPageWidth || index > kSetupPaperHeight) return 0;
  const PaperGeometry paper = ReadPaper(record->config);
  switch (index) {
    case kSetupPageWidth:
      return InPixels(x, paper.width) - InPixels(x, paper.right) - InPixels(x, paper.left);
    case kSetupPageHeight:
      return InPixels(y, paper.height) - InPixels(y, paper.bottom) - InPixels(y, paper.top);
    case kSetupPageLeft:
      return -InPixels(x, paper.left);
    case kSetupPageTop:
      return -InPixels(y, paper.top);
    case kSetupPaperWidth:
      return InPixels(x, paper.width);
    default:
      return InPixels(y, paper.height);
  }
}

void GnomePrintBeginPage(PrintSetupRecord* record) {
  if (!QV_CHECK_TEXT(record->printPane, "mPrintPane", nullptr)) return;
  char* name = g_strdup_printf("%d", gNextPageNumber++);
  if (record->context) Entry<BeginPageFunction>(kBeginPage)(record->context, name);
  g_free(name);
  if (!QV_CHECK_TEXT(record->printPane->HasPixmap(), "gfx", nullptr)) return;
  record->printPane->ClearPage();
}

// The page image fills the printable area, whatever the resolution: in the library's
// coordinates (points, origin at the paper's lower left) the image's unit square is scaled to
// the paper less its margins and moved to the lower left margin corner.
void GnomePrintPanePage(PrintSetupRecord* record) {
  PrintPane* pane = record->printPane;
  if (!QV_CHECK_TEXT(pane, "mPrintPane", nullptr)) return;
  GdkPixmap* pixmap = pane->GetPixmap();
  if (!QV_CHECK_TEXT(pixmap, "gfx", nullptr) || !record->context) return;
  const int32_t width = pane->Width();
  const int32_t height = pane->Height();
  GdkPixbuf* pixels = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
  if (!pixels) return;
  GdkColormap* colormap = gdk_drawable_get_colormap(pixmap);
  if (!gdk_pixbuf_get_from_drawable(pixels, pixmap, colormap ? colormap : gdk_rgb_get_colormap(),
                                    0, 0, 0, 0, width, height)) {
    g_object_unref(pixels);
    return;
  }
  const PaperGeometry paper = ReadPaper(record->config);
  const double matrix[6] = {paper.width - paper.left - paper.right, 0, 0,
                            paper.height - paper.top - paper.bottom, paper.left, paper.bottom};
  void* context = record->context;
  Entry<ContextStepFunction>(kGSave)(context);
  Entry<ConcatFunction>(kConcat)(context, matrix);
  Entry<MoveToFunction>(kMoveTo)(context, 0, 0);
  Entry<RGBImageFunction>(kRGBImage)(context, gdk_pixbuf_get_pixels(pixels), width, height,
                                     gdk_pixbuf_get_rowstride(pixels));
  Entry<ContextStepFunction>(kGRestore)(context);
  g_object_unref(pixels);
  Entry<ContextStepFunction>(kShowPage)(context);
}

void GnomePrintJobSend(PrintSetupRecord* record) {
  if (!record->job) return;
  Entry<JobStepFunction>(kJobClose)(record->job);
  Entry<JobStepFunction>(kJobPrint)(record->job);
}

void GnomePrintSetSetupString(PrintSetupRecord*, const string&) {}

string GnomePrintGetSetupString(const PrintSetupRecord*) { return string(); }
