// The language class "PrinterSetup" (page and resolution settings over one print-setup record
// of the print support), the two global functions that open a print job with or without the
// print dialog, and the active print object: the PrinterSetup of the job in progress.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "graphics/GTKPrintHelper.h"

struct PrinterSetupObject {
  RuntimeObject header;
  PrintSetupRecord* record;  // owned
  // Copies of the setup values 0, 1, 10 and 11, kept as the last job or PageSetupDialog left
  // them; 72 for a new object.
  int32_t verticalResolution;
  int32_t horizontalResolution;
  int32_t maxVerticalResolution;
  int32_t maxHorizontalResolution;
};
static_assert(sizeof(PrinterSetupObject) == 44, "PrinterSetup objects are 44 bytes");
static_assert(offsetof(PrinterSetupObject, record) == 24, "PrinterSetupObject layout");

ObjectDefinition* PrinterSetupClassDefinition();

// The PrinterSetup of the job in progress (no reference for the caller), or nil.
RuntimeObject* ActivePrintObject();
// When setup is the active print object, it stops being it and its reference goes.
void ForgetActivePrintObject(RuntimeObject* setup);

extern "C" {
void PrinterSetupConstructor(RuntimeObject* object);
void PrinterSetupDestructor(RuntimeObject* object);
// index 0 and 1 the resolutions kept on the object; any other the setup value of that index.
int32_t printerSetupInfoGetter(RuntimeObject* object, uint32_t index);
// index 10 the maximum vertical, 11 the maximum horizontal resolution; others are ignored.
void printerSetupMaxResSetter(RuntimeObject* object, uint32_t index, int32_t value);
stringStorage* printerSetupStringGetter(RuntimeObject* object, uint32_t unused);
void printerSetupStringSetter(RuntimeObject* object, uint32_t unused, stringStorage* text);
// Shows nothing: refreshes the resolutions kept on the object and gives false.
int32_t printerSetupPageSetup(RuntimeObject* object);
int32_t printerSetupGetLandscape(RuntimeObject* object, uint32_t unused);
void printerSetupSetLandscape(RuntimeObject* object, uint32_t unused, int32_t landscape);

// A printing Graphics on page 1 of a new job for setup (a new PrinterSetup when nil), or nil
// when there is no printer or the person cancels.
RuntimeObject* RuntimeOpenPrinterDialog(RuntimeObject* setup, RuntimeObject* parent);
RuntimeObject* RuntimeOpenPrinter(RuntimeObject* setup);
}
