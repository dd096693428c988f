// The Clipboard class as a table of rows, and its accessors over GTK's clipboards.
#include "windows/ClipboardClass.h"

#include <gdk/gdk.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "graphics/PictureClass.h"
#include "strings/TextEncoding.h"
#include "windows/GtkClipboards.h"
#include "windows/GtkSymbols.h"

namespace {

using namespace lang;

constexpr uint32_t kRowOldName = 0x8000;  // the MacData names of the RawData members

const PropertyRow kClipboardProperties[] = {
    QV_PROPERTY("Text", String, clipboardTextGetter, clipboardTextSetter),
    QV_PROPERTY("Picture", Class<"Picture">, clipboardPictureGetter, clipboardPictureSetter),
};

const MethodRow kClipboardMethods[] = {
    QV_SUB("SetText", clipboardSetText, Param("text", String)),
    QV_SUB("Close", clipboardClose),
    QV_FUNCTION("TextAvailable", Boolean, clipboardTextAvailable),
    QV_FUNCTION("PictureAvailable", Boolean, clipboardPictureAvailable),
    QV_FUNCTION("MacDataAvailable", Boolean, clipboardMacDataAvailable,
                Param("macType", String))
        .Flags(kRowOldName),
    QV_FUNCTION("RawDataAvailable", Boolean, clipboardMacDataAvailable,
                Param("macType", String)),
    QV_FUNCTION("MacData", String, clipboardMacData, Param("macType", String))
        .Flags(kRowOldName),
    QV_FUNCTION("RawData", String, clipboardMacData, Param("macType", String)),
    QV_SUB("AddMacData", clipboardAddMacData, Param("data", String), Param("macType", String))
        .Flags(kRowOldName),
    QV_SUB("AddRawData", clipboardAddMacData, Param("data", String), Param("macType", String)),
};

constexpr const char* kPictureSelection = "PictureClipboard";

// ---- GTK's image clipboard, where the running GTK has it ----

struct ImageFunctions {
  OptionalGtkFunction waitForImage{"gtk_clipboard_wait_for_image"};
  OptionalGtkFunction isImageAvailable{"gtk_clipboard_wait_is_image_available"};
  OptionalGtkFunction store{"gtk_clipboard_store"};
  OptionalGtkFunction setCanStore{"gtk_clipboard_set_can_store"};
  OptionalGtkFunction setImage{"gtk_clipboard_set_image"};
};

// The functions, or nil unless every one of them is there: a picture is then written and read
// one way only.
ImageFunctions* GtkImageClipboard() {
  static ImageFunctions functions;
  static const bool complete = functions.waitForImage.Get() &&
                               functions.isImageAvailable.Get() && functions.store.Get() &&
                               functions.setCanStore.Get() && functions.setImage.Get();
  return complete ? &functions : nullptr;
}

// ---- private selections ----

// The target a private record is offered under: STRING for raw data, PIXMAP for pictures.
GdkAtom DataTarget() { return GDK_TARGET_STRING; }
GdkAtom PictureTarget() { return GDK_TARGET_PIXMAP; }

struct OfferedRecord {
  GdkAtom target;
  void* record;      // malloc'd, ClipboardDataRecord or ClipboardPictureRecord
  uint32_t size;     // of the record
  uint8_t* payload;  // the copy the record points to
};

// The copies this process offers now, with their sizes: a record read back is followed only
// to one of these.
std::map<const uint8_t*, uint32_t>& LivePayloads() {
  static std::map<const uint8_t*, uint32_t> payloads;
  return payloads;
}

bool IsLivePayload(const void* bytes, uint64_t length) {
  const auto found = LivePayloads().find(static_cast<const uint8_t*>(bytes));
  return found != LivePayloads().end() && length <= found->second;
}

void AnswerWithRecord(GtkClipboard*, GtkSelectionData* selection, guint, gpointer data) {
  const OfferedRecord* offered = static_cast<const OfferedRecord*>(data);
  gtk_selection_data_set(selection, offered->target, 8,
                         static_cast<const guchar*>(offered->record), int(offered->size));
}

void ForgetRecord(GtkClipboard*, gpointer data) {
  OfferedRecord* offered = static_cast<OfferedRecord*>(data);
  LivePayloads().erase(offered->payload);
  std::free(offered->payload);
  std::free(offered->record);
  delete offered;
}

// Offers a copy of record (size bytes, its payload already a private copy that the offer now
// owns) on clipboard under target.
void OfferRecord(GtkClipboard* clipboard, GdkAtom target, const void* record, uint32_t size,
                 uint8_t* payload, uint32_t payloadSize) {
  void* copy = std::malloc(size);
  if (!copy) {
    std::free(payload);
    return;
  }
  std::memcpy(copy, record, size);
  OfferedRecord* offered = new OfferedRecord{target, copy, size, payload};
  LivePayloads()[payload] = payloadSize;
  gchar* name = gdk_atom_name(target);
  const GtkTargetEntry entry = {name, 0, 0};
  if (!gtk_clipboard_set_with_data(clipboard, &entry, 1, AnswerWithRecord, ForgetRecord,
                                   offered)) {
    ForgetRecord(clipboard, offered);
  }
  g_free(name);
}

// Copies the record of the private selection "_" + name into record (size bytes) and answers
// true, only when a window of this process owns the selection and its answer has exactly that
// size. The request waits for its answer, so nothing arrives after the call has returned. The
// caller still follows the record's pointer only to a copy this process offers now.
bool ReadRecord(const string& name, GdkAtom target, void* record, uint32_t size) {
  std::memset(record, 0, size);
  GtkClipboard* clipboard = ClipboardForType(name, false);
  if (!clipboard) return false;
  const GdkAtom selection = gdk_atom_intern((string("_") + name).CString(), FALSE);
  if (!gdk_selection_owner_get(selection)) return false;
  GtkSelectionData* answer = gtk_clipboard_wait_for_contents(clipboard, target);
  if (!answer) return false;
  const bool fits = answer->length == int(size) && answer->data;
  if (fits) std::memcpy(record, answer->data, size);
  gtk_selection_data_free(answer);
  return fits;
}

string TypeName(stringStorage* macType) { return string(macType); }

uint8_t* CopyBytes(const void* bytes, uint32_t length) {
  uint8_t* copy = static_cast<uint8_t*>(std::malloc(length ? length : 1));
  if (copy && length) std::memcpy(copy, bytes, length);
  return copy;
}

// ---- pictures ----

// The picture's pixels as RGB rows without alpha, or nil for nil or a picture without an image.
GdkPixbuf* RGBPixelsOf(RuntimeObject* picture) {
  GdkPixbuf* image = picture ? PictureImage(picture) : nullptr;
  if (!image) return nullptr;
  const int width = gdk_pixbuf_get_width(image);
  const int height = gdk_pixbuf_get_height(image);
  GdkPixbuf* rgb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
  if (!rgb) return nullptr;
  const int channels = gdk_pixbuf_get_n_channels(image);
  const int fromStride = gdk_pixbuf_get_rowstride(image);
  const int toStride = gdk_pixbuf_get_rowstride(rgb);
  const guchar* from = gdk_pixbuf_get_pixels(image);
  guchar* to = gdk_pixbuf_get_pixels(rgb);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::memcpy(to + y * toStride + x * 3, from + y * fromStride + x * channels, 3);
    }
  }
  return rgb;
}

void OfferPrivatePicture(GdkPixbuf* rgb) {
  GtkClipboard* clipboard = ClipboardForType(kPictureSelection, true);
  if (!clipboard) return;
  const ClipboardPictureRecord shape = {gdk_pixbuf_get_rowstride(rgb),
                                        gdk_pixbuf_get_height(rgb), gdk_pixbuf_get_width(rgb),
                                        nullptr};
  const uint64_t size = uint64_t(uint32_t(shape.rowStride)) * uint32_t(shape.height);
  if (size > 0x7FFFFFFF) return;
  uint8_t* pixels = CopyBytes(gdk_pixbuf_get_pixels(rgb), uint32_t(size));
  if (!pixels) return;
  ClipboardPictureRecord record = shape;
  record.pixels = pixels;
  OfferRecord(clipboard, PictureTarget(), &record, sizeof record, pixels, uint32_t(size));
}

void FreePixels(guchar* pixels, gpointer) { g_free(pixels); }

// A new picture of the private picture selection, or nil.
RuntimeObject* ReadPrivatePicture() {
  ClipboardPictureRecord record;
  if (!ReadRecord(kPictureSelection, PictureTarget(), &record, sizeof record) ||
      record.width <= 0 || record.height <= 0 ||
      int64_t(record.rowStride) < int64_t(record.width) * 3) {
    return nullptr;
  }
  const uint64_t size = uint64_t(record.rowStride) * uint64_t(record.height);
  if (!IsLivePayload(record.pixels, size)) return nullptr;
  guchar* pixels = static_cast<guchar*>(g_try_malloc(size));
  if (!pixels) return nullptr;
  std::memcpy(pixels, record.pixels, size);
  GdkPixbuf* image = gdk_pixbuf_new_from_data(pixels, GDK_COLORSPACE_RGB, FALSE, 8, record.width,
                                              record.height, record.rowStride, FreePixels,
                                              nullptr);
  return NewPictureWithImage(image);
}

}  // namespace

QV_CLASS(ClipboardClassDefinition,
         .name = "Clipboard",
         .objectSize = sizeof(ClipboardObject),
         .properties = kClipboardProperties,
         .methods = kClipboardMethods,
         .initializer = QV_CODE(ClipboardInitializer),
         .finalizer = QV_CODE(ClipboardFinalizer))
QV_STARTUP_CLASS(kStartupClipboardClass, ClipboardClassDefinition)

extern "C" void ClipboardInitializer(RuntimeObject* clipboard) {
  if (clipboard) reinterpret_cast<ClipboardObject*>(clipboard)->open = 1;
}
QV_EXPORT(ClipboardInitializer)

extern "C" void ClipboardFinalizer(RuntimeObject* clipboard) { clipboardClose(clipboard); }
QV_EXPORT(ClipboardFinalizer)

extern "C" void clipboardClose(RuntimeObject*) {}
QV_EXPORT(clipboardClose)

// ---- text ----

extern "C" stringStorage* clipboardTextGetter(RuntimeObject*, uint32_t) {
  GtkClipboard* clipboard = DefaultGtkClipboard();
  gchar* text = clipboard ? gtk_clipboard_wait_for_text(clipboard) : nullptr;
  if (!text) return nullptr;
  string result = string::FromBytes(text, int64_t(std::strlen(text)), kEncodingUTF8);
  g_free(text);
  return std::move(result).ExtractStringStorage();
}
QV_EXPORT(clipboardTextGetter)

extern "C" void clipboardSetText(RuntimeObject*, stringStorage* text) {
  GtkClipboard* clipboard = DefaultGtkClipboard();
  if (!clipboard) return;
  const string utf8 = ConvertEncoding(string(text), kEncodingUTF8);
  gtk_clipboard_set_text(clipboard, utf8.IsEmpty() ? "" : utf8.CString(), utf8.Length());
}
QV_EXPORT(clipboardSetText)

extern "C" void clipboardTextSetter(RuntimeObject* clipboard, uint32_t, stringStorage* text) {
  clipboardSetText(clipboard, text);
}
QV_EXPORT(clipboardTextSetter)

extern "C" int32_t clipboardTextAvailable(RuntimeObject*) {
  GtkClipboard* clipboard = DefaultGtkClipboard();
  return clipboard && gtk_clipboard_wait_is_text_available(clipboard) ? 1 : 0;
}
QV_EXPORT(clipboardTextAvailable)

// ---- pictures ----

extern "C" int32_t clipboardPictureAvailable(RuntimeObject*) {
  if (ImageFunctions* gtk = GtkImageClipboard()) {
    GtkClipboard* clipboard = DefaultGtkClipboard();
    return clipboard && gtk->isImageAvailable.As<gboolean (*)(GtkClipboard*)>()(clipboard) ? 1
                                                                                            : 0;
  }
  ClipboardPictureRecord record;
  return ReadRecord(kPictureSelection, PictureTarget(), &record, sizeof record) &&
                 record.height >= 0 &&
                 IsLivePayload(record.pixels, uint64_t(uint32_t(record.rowStride)) *
                                                  uint32_t(record.height))
             ? 1
             : 0;
}
QV_EXPORT(clipboardPictureAvailable)

extern "C" RuntimeObject* clipboardPictureGetter(RuntimeObject*, uint32_t) {
  ImageFunctions* gtk = GtkImageClipboard();
  if (!gtk) return ReadPrivatePicture();
  GtkClipboard* clipboard = DefaultGtkClipboard();
  if (!clipboard) return nullptr;
  GdkPixbuf* image = gtk->waitForImage.As<GdkPixbuf* (*)(GtkClipboard*)>()(clipboard);
  return NewPictureWithImage(image);
}
QV_EXPORT(clipboardPictureGetter)

extern "C" void clipboardPictureSetter(RuntimeObject*, uint32_t, RuntimeObject* picture) {
  GdkPixbuf* rgb = RGBPixelsOf(picture);
  if (!rgb) return;
  if (ImageFunctions* gtk = GtkImageClipboard()) {
    if (GtkClipboard* clipboard = DefaultGtkClipboard()) {
      gtk->setImage.As<void (*)(GtkClipboard*, GdkPixbuf*)>()(clipboard, rgb);
      // Handed to a clipboard manager, where there is one, so it outlives the program.
      gtk->setCanStore.As<void (*)(GtkClipboard*, const GtkTargetEntry*, gint)>()(clipboard,
                                                                                   nullptr, 0);
      gtk->store.As<void (*)(GtkClipboard*)>()(clipboard);
    }
  } else {
    OfferPrivatePicture(rgb);
  }
  g_object_unref(rgb);
}
QV_EXPORT(clipboardPictureSetter)

// ---- raw data ----

extern "C" int32_t clipboardMacDataAvailable(RuntimeObject*, stringStorage* macType) {
  ClipboardDataRecord record;
  return ReadRecord(TypeName(macType), DataTarget(), &record, sizeof record) &&
                 IsLivePayload(record.bytes, record.length)
             ? 1
             : 0;
}
QV_EXPORT(clipboardMacDataAvailable)

extern "C" stringStorage* clipboardMacData(RuntimeObject*, stringStorage* macType) {
  ClipboardDataRecord record;
  if (!ReadRecord(TypeName(macType), DataTarget(), &record, sizeof record) ||
      !IsLivePayload(record.bytes, record.length)) {
    return nullptr;
  }
  return string::FromBytes(record.bytes, record.length, record.encoding).ExtractStringStorage();
}
QV_EXPORT(clipboardMacData)

extern "C" void clipboardAddMacData(RuntimeObject*, stringStorage* data, stringStorage* macType) {
  GtkClipboard* clipboard = ClipboardForType(TypeName(macType), true);
  if (!clipboard) return;
  const string bytes(data);
  uint8_t* copy = CopyBytes(bytes.IsEmpty() ? nullptr : bytes.Bytes(), uint32_t(bytes.Length()));
  if (!copy) return;
  const ClipboardDataRecord record = {bytes.Encoding(), uint32_t(bytes.Length()), copy};
  OfferRecord(clipboard, DataTarget(), &record, sizeof record, copy, record.length);
}
QV_EXPORT(clipboardAddMacData)
