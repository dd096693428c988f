#include "graphics/PrintPane.h"

#include "core/RuntimeError.h"
#include "graphics/GTKPrintHelper.h"
#include "graphics/GraphicsGTK.h"
#include "graphics/PrinterSetupClass.h"

namespace {

constexpr int32_t kPrintPaneDepth = 8;

class PrintingGraphics : public GraphicsGTK {
 public:
  explicit PrintingGraphics(PrintPane* pane) : GraphicsGTK(pane), mPane(pane) {}
  // The clip goes from the surface's graphics context while the surface is still there.
  ~PrintingGraphics() override {
    RemoveClip();
    DetachTarget();
    mPane->Release();
  }

 private:
  PrintPane* mPane;
};

}  // namespace

PrintPane::PrintPane(int32_t width, int32_t height, int32_t horizontalResolution,
                     int32_t verticalResolution, PrintSetupRecord* record, RuntimeObject* owner)
    : DrawablePane(QV::Point{0, 0}, QV::Point{height, width}, kPrintPaneDepth),
      mRecord(record),
      mOwner(owner) {
  SetHRes(horizontalResolution);
  SetVRes(verticalResolution);
  if (mOwner) RuntimeLockObject(mOwner);
}

PrintPane::~PrintPane() {
  FinishJob();
  if (mOwner) {
    ForgetActivePrintObject(mOwner);
    RuntimeUnlockObject(mOwner);
  }
}

void PrintPane::PrintPage() {
  PrepareToDraw();
  if (!QV_CHECK_TEXT(mRecord, "mHelper", nullptr)) return;
  GnomePrintPanePage(mRecord);
  GnomePrintBeginPage(mRecord);
}

void PrintPane::FinishJob() {
  if (!mRecord) return;
  GnomePrintPanePage(mRecord);
  GnomePrintJobSend(mRecord);
  mRecord->printPane = nullptr;
  mRecord = nullptr;
}

Graphics* NewPrintingGraphics(PrintPane* pane) { return new PrintingGraphics(pane); }
