// The print support: print jobs through the GNOME print library ("libgnomeprintui-2-2"),
// which is not linked but found at run time by the library finder. The library counts as
// present only when every entry point binds; without it every open gives nil, every metric 0,
// and the language sees no printer.
//
// One PrintSetupRecord belongs to each PrinterSetup object. An open makes a job, reads the
// resolution, copies and paper from the job's configuration, makes the page surface
// (PrintPane) with a printing Graphics over it and begins page 1. Each finished page is sent
// as an RGB image placed on the paper's printable area; the pane's end closes and prints the
// job. Pages are named "1", "2", ... in the order begun, across all jobs of the process.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

class PrintPane;

struct PrintSetupRecord {
  void* job;      // the library's job, nil until a job is opened (each held with a reference)
  void* context;  // the job's drawing context
  void* config;   // the job's configuration
  int32_t verticalResolution;
  int32_t horizontalResolution;
  int32_t maxVerticalResolution;  // -1: no limit
  int32_t maxHorizontalResolution;
  PrintPane* printPane;  // the page surface of the job in progress, nil otherwise
};

// The dialog's answer that prints; every other one (Cancel, the window manager's close)
// cancels.
constexpr int32_t kPrintDialogResponsePrint = 1;

// Setup values (GnomePrintSetupValue's indexes).
enum PrintSetupIndex : int32_t {
  kSetupVerticalResolution = 0,
  kSetupHorizontalResolution = 1,
  kSetupPageWidth = 4,
  kSetupPageHeight = 5,
  kSetupPageLeft = 6,
  kSetupPageTop = 7,
  kSetupPaperWidth = 8,
  kSetupPaperHeight = 9,
  kSetupMaxVerticalResolution = 10,
  kSetupMaxHorizontalResolution = 11,
};

// Whether the library is present with all its entry points; found on the first call.
bool LoadGnomePrint();

void GnomePrintSetupInit(PrintSetupRecord* record);
// Lets go of the job, its context and configuration.
void GnomePrintSetupRelease(PrintSetupRecord* record);

// A new printing Graphics object (the caller's reference) on page 1 of a new job, or nil when
// the library is missing or the person does not choose Print. owner is the PrinterSetup the
// record belongs to: the page surface holds it for as long as the job lasts.
RuntimeObject* GnomePrintOpenWithDialog(PrintSetupRecord* record, RuntimeObject* owner);
// The same without the dialog: every page, the copies the configuration gives.
RuntimeObject* GnomePrintOpen(PrintSetupRecord* record, RuntimeObject* owner);

// A page metric in pixels at the job's resolution; 0 without the library.
int32_t GnomePrintSetupValue(const PrintSetupRecord* record, int32_t index);

// Names and begins the next page and clears the page surface.
void GnomePrintBeginPage(PrintSetupRecord* record);
// Sends the page surface's pixels as the current page and shows it.
void GnomePrintPanePage(PrintSetupRecord* record);
// Closes the job and sends it to the printer.
void GnomePrintJobSend(PrintSetupRecord* record);

// A setup string is not kept on this platform.
void GnomePrintSetSetupString(PrintSetupRecord* record, const string& text);
string GnomePrintGetSetupString(const PrintSetupRecord* record);
