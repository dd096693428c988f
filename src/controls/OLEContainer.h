// The control "OLEContainer": a RectControl whose pane would hold an embedded document object.
// This platform has none, so the container never holds one: Create answers False, Content is
// nil, the pane never takes the keyboard focus and prints as a blank (white) rectangle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/ObjectDefinition.h"
#include "strings/RuntimeString.h"
#include "windows/ContainerPane.h"
#include "windows/ControlRecord.h"

struct RuntimeArray;

struct OLEContainerObject {
  ControlObject control;
  stringStorage* programID;
  stringStorage* licenseKey;  // stored only
  uint8_t designMode;
  uint8_t unused[3];
};
static_assert(sizeof(OLEContainerObject) == 136 &&
                  offsetof(OLEContainerObject, programID) == 124 &&
                  offsetof(OLEContainerObject, designMode) == 132,
              "OLEContainer instances are 136 bytes");

class OLEContainerPane;

// What the container's pane reports; nothing calls it on this platform.
class OLEContainerDelegate {
 public:
  virtual ~OLEContainerDelegate() = default;
  virtual RuntimeObject* EventTriggered(OLEContainerPane* pane, stringStorage* eventName,
                                        RuntimeArray* parameters) = 0;
  virtual void ShowObject(OLEContainerPane* pane) = 0;
  virtual void GotFocus(OLEContainerPane* pane) = 0;
  virtual void LostFocus(OLEContainerPane* pane) = 0;
};

// Raises the container's events of the same names.
class RuntimeOLEContainerDelegate : public OLEContainerDelegate {
 public:
  explicit RuntimeOLEContainerDelegate(RuntimeObject* owner) : mOwner(owner) {}
  RuntimeObject* EventTriggered(OLEContainerPane* pane, stringStorage* eventName,
                                RuntimeArray* parameters) override;
  void ShowObject(OLEContainerPane* pane) override;
  void GotFocus(OLEContainerPane* pane) override;
  void LostFocus(OLEContainerPane* pane) override;

 private:
  RuntimeObject* mOwner;  // not retained: the owner outlives its open pane
};

class OLEContainerPane : public ContainerPane {
 public:
  OLEContainerPane(std::unique_ptr<OLEContainerDelegate> delegate, RuntimeObject* owner,
                   SubPane* parent, int32_t panelIndex, const QV::Rect& bounds);
  ~OLEContainerPane() override;

  // Destroys any content; no object can be made here, so false.
  bool CreateObject(const string& programID);
  // The stored program identifier becomes "" and the content, if any, is released.
  void DestroyObject();
  // The content with one more reference (nil here).
  RuntimeObject* Content();
  const string& ProgramID() const { return mProgramID; }

  void FocusLost() override {}
  void FocusGained() override {}
  bool CanTakeFocus() override { return mCanFocus && IsVisibleAndShown(); }
  // A white rectangle of the pane's size, as a new off-screen surface shows, then the children.
  void DrawInto(Graphics& g) override;

 private:
  RuntimeObject* mContent = nullptr;  // locked
  string mProgramID;
  bool mCanFocus = false;
  RuntimeObject* mOwner;
  std::unique_ptr<OLEContainerDelegate> mDelegate;
};

ObjectDefinition* OLEContainerClassDefinition();

extern "C" {
void OLEContainerCreatePane(RuntimeObject* control);
int32_t OLEContainerCreateObject(RuntimeObject* control);
void OLEContainerDestroyObject(RuntimeObject* control);
RuntimeObject* OLEContainerContentGetter(RuntimeObject* control, uint32_t parameter);
void OLEContainerShowPropertyPages(RuntimeObject* control);
void OLEContainerDestructor(RuntimeObject* control);
}
