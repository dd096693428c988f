// The page surface of a print job: an off-screen surface, as large as the printable page at
// the job's resolution, that every page is drawn into before it is printed. The printing
// Graphics draws into it and holds it: releasing that Graphics ends the surface, which prints
// the last page and sends the job.
#pragma once

#include "core/RuntimeObject.h"
#include "graphics/Drawable.h"

struct PrintSetupRecord;
class Graphics;

class PrintPane : public DrawablePane {
 public:
  // A page of width x height pixels at the resolutions given, printing through record, which
  // belongs to owner (a PrinterSetup, held for as long as the surface lives; nil: none).
  PrintPane(int32_t width, int32_t height, int32_t horizontalResolution,
            int32_t verticalResolution, PrintSetupRecord* record, RuntimeObject* owner);
  ~PrintPane() override;

  // Prints the surface as one page and begins the next.
  void PrintPage();
  // Prints the current page, sends the job and lets go of the record: from then on the
  // surface prints nothing.
  void FinishJob();
  // White, as a new page is.
  void ClearPage() { DrawablePane::EraseBackground(); }

  // A print page ends and the next begins (Graphics.NextPage).
  void EraseBackground() override { PrintPage(); }

 private:
  PrintSetupRecord* mRecord;
  RuntimeObject* mOwner;
};

// A Graphics that draws into pane and holds the reference the caller had on it.
Graphics* NewPrintingGraphics(PrintPane* pane);
