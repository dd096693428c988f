#include "graphics/PrinterSetupClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

namespace {

using namespace lang;

PrinterSetupObject* AsSetup(RuntimeObject* object) {
  return reinterpret_cast<PrinterSetupObject*>(object);
}

const PropertyRow kPrinterSetupProperties[] = {
    QV_READONLY("VerticalResolution", Integer, printerSetupInfoGetter, kSetupVerticalResolution),
    QV_READONLY("HorizontalResolution", Integer, printerSetupInfoGetter,
                kSetupHorizontalResolution),
    QV_READONLY("Left", Integer, printerSetupInfoGetter, 2),
    QV_READONLY("Top", Integer, printerSetupInfoGetter, 3),
    QV_READONLY("Width", Integer, printerSetupInfoGetter, kSetupPageWidth),
    QV_READONLY("Height", Integer, printerSetupInfoGetter, kSetupPageHeight),
    QV_READONLY("PageLeft", Integer, printerSetupInfoGetter, kSetupPageLeft),
    QV_READONLY("PageTop", Integer, printerSetupInfoGetter, kSetupPageTop),
    QV_READONLY("PageWidth", Integer, printerSetupInfoGetter, kSetupPaperWidth),
    QV_READONLY("PageHeight", Integer, printerSetupInfoGetter, kSetupPaperHeight),
    QV_PROPERTY("MaxVerticalResolution", Integer, printerSetupInfoGetter,
                printerSetupMaxResSetter, kSetupMaxVerticalResolution),
    QV_PROPERTY("MaxHorizontalResolution", Integer, printerSetupInfoGetter,
                printerSetupMaxResSetter, kSetupMaxHorizontalResolution),
    QV_PROPERTY("SetupString", String, printerSetupStringGetter, printerSetupStringSetter),
};

const MethodRow kPrinterSetupMethods[] = {
    QV_FUNCTION("PageSetupDialog", Boolean, printerSetupPageSetup),
};

RuntimeObject* gActivePrintObject = nullptr;

// The copies kept on the object, from the setup values as they are now.
void RefreshResolutions(RuntimeObject* object) {
  PrinterSetupObject* setup = AsSetup(object);
  if (!setup->record) return;
  setup->verticalResolution = GnomePrintSetupValue(setup->record, kSetupVerticalResolution);
  setup->horizontalResolution = GnomePrintSetupValue(setup->record, kSetupHorizontalResolution);
  setup->maxVerticalResolution = GnomePrintSetupValue(setup->record, kSetupMaxVerticalResolution);
  setup->maxHorizontalResolution =
      GnomePrintSetupValue(setup->record, kSetupMaxHorizontalResolution);
}

// setup (a new PrinterSetup when nil) becomes the active print object, and the job opens for
// it. A job that does not open leaves no active object behind.
RuntimeObject* OpenPrintJob(RuntimeObject* setup, bool withDialog) {
  const char* extra = withDialog ? "There's no GTKPrintHelper!" : nullptr;
  if (setup) {
    RuntimeLockObject(setup);
  } else {
    setup = NewObjectFromDefinition(PrinterSetupClassDefinition());
  }
  RuntimeObject* previous = gActivePrintObject;
  gActivePrintObject = setup;
  if (previous) RuntimeUnlockObject(previous);
  if (!QV_CHECK_TEXT(gActivePrintObject, "activePrintObject", extra)) return nullptr;
  RuntimeObject* active = gActivePrintObject;
  PrintSetupRecord* record = AsSetup(active)->record;
  RuntimeObject* graphics = nullptr;
  if (QV_CHECK_TEXT(record, "activePrintObject->mHelper", extra)) {
    graphics = withDialog ? GnomePrintOpenWithDialog(record, active)
                          : GnomePrintOpen(record, active);
  }
  if (graphics) {
    RefreshResolutions(active);
  } else {
    ForgetActivePrintObject(active);
  }
  return graphics;
}

}  // namespace

QV_CLASS(PrinterSetupClassDefinition,
         .name = "PrinterSetup",
         .objectSize = sizeof(PrinterSetupObject),
         .properties = kPrinterSetupProperties,
         .methods = kPrinterSetupMethods,
         .initializer = QV_CODE(PrinterSetupConstructor),
         .finalizer = QV_CODE(PrinterSetupDestructor))
QV_STARTUP_CLASS(kStartupPrinterSetupClass, PrinterSetupClassDefinition)

RuntimeObject* ActivePrintObject() { return gActivePrintObject; }

void ForgetActivePrintObject(RuntimeObject* setup) {
  if (!setup || gActivePrintObject != setup) return;
  gActivePrintObject = nullptr;
  RuntimeUnlockObject(setup);
}

extern "C" void PrinterSetupConstructor(RuntimeObject* object) {
  if (!object) return;
  PrinterSetupObject* setup = AsSetup(object);
  setup->record = new PrintSetupRecord;
  GnomePrintSetupInit(setup->record);
  setup->verticalResolution = setup->record->verticalResolution;
  setup->horizontalResolution = setup->record->horizontalResolution;
  setup->maxVerticalResolution = setup->record->maxVerticalResolution;
  setup->maxHorizontalResolution = setup->record->maxHorizontalResolution;
}
QV_EXPORT(PrinterSetupConstructor)

// A job's page surface holds its PrinterSetup, so no surface prints through a record that is
// going.
extern "C" void PrinterSetupDestructor(RuntimeObject* object) {
  if (!object) return;
  PrinterSetupObject* setup = AsSetup(object);
  if (!setup->record) return;
  GnomePrintSetupRelease(setup->record);
  delete setup->record;
  setup->record = nullptr;
}
QV_EXPORT(PrinterSetupDestructor)

extern "C" int32_t printerSetupInfoGetter(RuntimeObject* object, uint32_t index) {
  if (!object) {
    RaiseNilObjectException();
    return 0;
  }
  PrinterSetupObject* setup = AsSetup(object);
  if (index == kSetupVerticalResolution) return setup->verticalResolution;
  if (index == kSetupHorizontalResolution) return setup->horizontalResolution;
  return setup->record ? GnomePrintSetupValue(setup->record, int32_t(index)) : 0;
}
QV_EXPORT(printerSetupInfoGetter)

extern "C" void printerSetupMaxResSetter(RuntimeObject* object, uint32_t index, int32_t value) {
  if (!object) {
    RaiseNilObjectException();
    return;
  }
  PrintSetupRecord* record = AsSetup(object)->record;
  if (!record) return;
  if (index == kSetupMaxVerticalResolution) record->maxVerticalResolution = value;
  if (index == kSetupMaxHorizontalResolution) record->maxHorizontalResolution = value;
}
QV_EXPORT(printerSetupMaxResSetter)

extern "C" stringStorage* printerSetupStringGetter(RuntimeObject* object, uint32_t) {
  if (!object || !AsSetup(object)->record) return nullptr;
  return GnomePrintGetSetupString(AsSetup(object)->record).ExtractStringStorage();
}
QV_EXPORT(printerSetupStringGetter)

extern "C" void printerSetupStringSetter(RuntimeObject* object, uint32_t, stringStorage* text) {
  if (object && AsSetup(object)->record)
    GnomePrintSetSetupString(AsSetup(object)->record, string(text));
}
QV_EXPORT(printerSetupStringSetter)

extern "C" int32_t printerSetupPageSetup(RuntimeObject* object) {
  if (!object) {
    RaiseNilObjectException();
    return 0;
  }
  RefreshResolutions(object);
  return 0;
}
QV_EXPORT(printerSetupPageSetup)

extern "C" int32_t printerSetupGetLandscape(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(printerSetupGetLandscape)

extern "C" void printerSetupSetLandscape(RuntimeObject*, uint32_t, int32_t) {}
QV_EXPORT(printerSetupSetLandscape)

extern "C" RuntimeObject* RuntimeOpenPrinterDialog(RuntimeObject* setup, RuntimeObject*) {
  return OpenPrintJob(setup, true);
}
QV_EXPORT(RuntimeOpenPrinterDialog)

extern "C" RuntimeObject* RuntimeOpenPrinter(RuntimeObject* setup) {
  return OpenPrintJob(setup, false);
}
QV_EXPORT(RuntimeOpenPrinter)
