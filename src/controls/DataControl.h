// The record navigator: a control that walks the rows of one query on one Database, with
// first and previous buttons at its left edge, next and last at its right, its caption between
// them, and the controls bound to it (check boxes, popup menus and combo boxes, and the other
// data-aware kinds as they bind) showing the current row's columns and writing edits back.
//
// Promises of this layer:
//   - the cursor on display never moves except to show another row: counting rows without an
//     engine count runs the query on a second cursor;
//   - Row is always the row the bound controls show, counted from 1 (0 without a cursor);
//   - every call into compiled code (events, bound controls' setters, action objects) holds the
//     language object and the pane chain and stops the operation when either has closed; the
//     cursor is read afresh after each call, since a handler may run the query again;
//   - the binding list holds each bound control and is walked over a snapshot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "controls/RuntimeControl.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"
#include "strings/TextEncodingObjects.h"
#include "windows/SubPane.h"

class DataControl;
class RunDataControlDelegate;
struct BoundControl;

// One bound control, newest first.
struct DataBindingNode {
  RuntimeObject* control;  // held
  int32_t kind;            // DataBindingKind
  DataBindingNode* next;
};

struct DataControlObject {
  ControlObject control;
  DataControl* pane;
  RunDataControlDelegate* delegate;
  stringStorage* caption;
  stringStorage* tableName;
  stringStorage* sqlQuery;
  RuntimeObject* database;  // held
  ControlFontRecord font;
  DataBindingNode* bindings;
  int16_t textAlign;  // 0 left, 1 centre, 2 right
  uint8_t unused1[2];
  uint32_t textColor;
  uint8_t readOnly;
  uint8_t commit;
  uint8_t unused2[2];
  TextEncodingObject* encoding;  // held
};
static_assert(sizeof(DataControlObject) == 180 && offsetof(DataControlObject, pane) == 124 &&
                  offsetof(DataControlObject, caption) == 132 &&
                  offsetof(DataControlObject, database) == 144 &&
                  offsetof(DataControlObject, font) == 148 &&
                  offsetof(DataControlObject, bindings) == 160 &&
                  offsetof(DataControlObject, textAlign) == 164 &&
                  offsetof(DataControlObject, textColor) == 168 &&
                  offsetof(DataControlObject, readOnly) == 172 &&
                  offsetof(DataControlObject, commit) == 173 &&
                  offsetof(DataControlObject, encoding) == 176,
              "DataControl instances are 180 bytes");

inline DataControlObject* AsDataControl(RuntimeObject* object) {
  return reinterpret_cast<DataControlObject*>(object);
}

// The pane of the control while it is open (the window clears the control's pane word when it
// closes the pane).
inline DataControl* DataControlPaneOf(RuntimeObject* object) {
  return object ? reinterpret_cast<DataControl*>(AsControl(object)->pane) : nullptr;
}

// Validate's action codes.
enum DataControlAction : int32_t { kDataInsert = 0, kDataUpdate = 1, kDataDelete = 2 };

// The buttons, as the pane numbers them.
enum DataControlButton : int32_t {
  kNoButton = 0,
  kFirstButton = 1,
  kPreviousButton = 2,
  kNextButton = 3,
  kLastButton = 4,
};

// What the pane asks the application. Each answer true claims the work (Validate: vetoes it).
class DataControlDelegate {
 public:
  virtual ~DataControlDelegate() = default;
  virtual bool Insert() = 0;
  virtual void Delete() = 0;
  virtual bool MoveFirst() = 0;
  virtual bool MoveLast() = 0;
  virtual bool MoveNext() = 0;
  virtual bool MovePrevious() = 0;
  virtual void Reposition(int32_t row) = 0;  // row from 1
  virtual void Update() = 0;
  virtual bool Validate(int32_t action) = 0;
};

// Raises the language object's nine events.
class RunDataControlDelegate : public DataControlDelegate {
 public:
  explicit RunDataControlDelegate(RuntimeObject* owner) : mOwner(owner) {}
  bool Insert() override;
  void Delete() override;
  bool MoveFirst() override;
  bool MoveLast() override;
  bool MoveNext() override;
  bool MovePrevious() override;
  void Reposition(int32_t row) override;
  void Update() override;
  bool Validate(int32_t action) override;

 private:
  RuntimeObject* mOwner;  // not held: the owner owns the delegate
};

// The size of each of the four buttons of a pane width x height.
int32_t DataControlButtonSize(int32_t width, int32_t height);

class DataControl : public SubPane {
 public:
  DataControl(DataControlDelegate* delegate, RuntimeObject* object, SubPane* owner,
              int32_t panelIndex, const QV::Rect& bounds);
  ~DataControl() override;
  void Close() override;

  // ---- properties copied from the language object ----
  void SetCaption(const string& caption);
  void SetFont(const FontSpec& font);
  void SetTextAlign(int32_t align);
  void SetTextColor(uint32_t color);
  void ForgetDelegate() { mDelegate = nullptr; }

  // ---- records ----
  RuntimeObject* Cursor() const { return mCursor; }
  int32_t CurrentRow() const { return mRow; }
  bool BackEnabled() const { return mBackEnabled; }
  bool ForwardEnabled() const { return mForwardEnabled; }
  int32_t RecordCount();
  void LoadFieldNames();
  const std::vector<string>& FieldNames();
  // Row 0, count unknown, the query run again (the open cursor finished first).
  void Reset();
  // Finishes the open cursor's edit (unless ReadOnly), closes and drops it.
  void FinishCursor();
  void MoveFirst();
  void MovePrevious();
  void MoveNext();
  void MoveLast();
  void MoveTo(int32_t row);  // from 1
  void RunQuery();
  void Update();
  void Insert();
  void Delete();
  void NewRecord();
  bool RecordLocked();
  void ReloadBoundControls();
  void ClearBoundControls();
  void InitButtons();

  // ---- native ----
  void Draw(Graphics& g) override;
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  void MouseMove(int32_t x, int32_t y) override;
  void MouseExit() override;
  void SetEnabled(bool enabled, bool redraw) override;
  // The caption's baseline from the pane's top.
  int32_t TextBaseline();
  int32_t PressedButton() const { return mPressed; }
  int32_t HoverButton() const { return mHover; }
  // The button at (x, y) relative to the pane, or kNoButton.
  int32_t ButtonAt(int32_t x, int32_t y) const;

  // Holds the language object and the pane chain for calls into compiled code.
  class Hold {
   public:
    explicit Hold(DataControl* pane);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    // The pane is still open and still its object's.
    bool Open() const;

   private:
    DataControl* mPane;
    RuntimeObject* mObject;
    bool mChained;
  };

 private:
  DataControlObject* Record() const { return AsDataControl(mObject); }
  bool ReadOnly() const { return Record()->readOnly != 0; }
  bool HasQuery() const;
  RuntimeObject* Select();
  void PutInEditMode();
  void StepForward(int32_t steps);
  int32_t CountOnSecondCursor();
  void StateUpdate(int32_t row);
  void SetButtonGroups(bool back, bool forward);
  bool GroupEnabled(int32_t button) const;
  void RunButton(int32_t button);
  bool EditDiffers();
  // Whether the bound control holds an edit to write back: it differs from what the last
  // reload showed in it (the person changed it) and from the column now.
  bool HoldsEdit(const BoundControl& bound, const string& column) const;
  void DrawButton(Graphics& g, const QV::Rect& bounds, int32_t button);
  void DrawCaption(Graphics& g, const QV::Rect& bounds);
  void RedrawNow();

  DataControlDelegate* mDelegate;
  RuntimeObject* mObject;  // the language object; not held
  int32_t mPressed = kNoButton;
  int32_t mHover = kNoButton;
  bool mBackEnabled = false;
  bool mForwardEnabled = false;
  string mCaption;
  FontSpec mFont;
  std::vector<string> mFieldNames;
  bool mFieldNamesLoaded = false;
  RuntimeObject* mCursor = nullptr;  // held
  int32_t mRow = 0;
  int32_t mRecordCount = 0;  // 0: not counted yet
  // The texts the last reload put into the bound controls (whose column exists). Only an edit
  // of those is written back: another statement may have changed or deleted the row behind
  // the cursor, and its values must not be written over by what was merely shown.
  struct ShownText {
    RuntimeObject* control;  // not held: compared, never used
    int32_t kind;
    string text;
  };
  std::vector<ShownText> mShown;
  int32_t mTextAlign = 0;
  uint32_t mTextColor = 0;
};

// ---- bindings (DataControlBindings.cpp) ----

// Calls reach one binding at a time; each control of the snapshot is held for the walk.
struct BoundControl {
  RuntimeObject* control;
  int32_t kind;
};
std::vector<BoundControl> SnapshotBindings(RuntimeObject* dataControl);
void ReleaseSnapshot(std::vector<BoundControl>& snapshot);
// Empties the list: each control's link back cleared, each released.
void ClearBindings(RuntimeObject* dataControl);
// The column name a bound control carries in its DataField.
string BoundDataField(const BoundControl& bound);
// Shows text in the bound control, locked or not.
void LoadBoundControl(const BoundControl& bound, const string& text, bool locked);
// Empties the bound control.
void ClearBoundControl(const BoundControl& bound);
// What the bound control holds, as written back ("true" or "false" for a check box).
string BoundControlValue(const BoundControl& bound);
// Whether the bound control's value differs from its column's text.
bool BoundControlDiffers(const BoundControl& bound, const string& column);
// The check box truth of a column's text: "true" and "t" (case ignored), a non-zero integer.
bool ColumnTruth(const string& text);
// Installs the routines by which data-aware controls find their data control.
void InstallDataControlBinders();

// A bound control that shows its column by selecting the row of that text (popup menus, combo
// boxes, list boxes), seen through its language accessors.
struct RowSelectingBinding {
  stringStorage* (*dataField)(RuntimeObject* control);  // not referenced
  int32_t (*count)(RuntimeObject* control);
  stringStorage* (*rowText)(RuntimeObject* control, int32_t row);  // referenced
  void (*select)(RuntimeObject* control, int32_t row);
  stringStorage* (*text)(RuntimeObject* control);  // referenced; the selected row's text
  // The control's own link back cleared (it is already off the data control's list).
  void (*forget)(RuntimeObject* control);
};
// List boxes live above this folder: their class installs how they are bound at start-up.
// Until then a list-box binding loads, clears and reads back nothing.
void SetListboxBinding(const RowSelectingBinding& binding);

ObjectDefinition* DataControlClassDefinition();
ObjectDefinition* DataControlActionClassDefinition();

extern "C" {
void DataControlConstructor(RuntimeObject* object);
void DataControlDestructor(RuntimeObject* object);
void DataControlCreatePane(RuntimeObject* object);
void ControlBindingAdd(RuntimeObject* dataControl, RuntimeObject* control, int32_t kind);
void ControlBindingRemove(RuntimeObject* dataControl, RuntimeObject* control, int32_t kind);
void DataControlReloadBoundControls(RuntimeObject* dataControl);
void DataControlCaptionSetter(RuntimeObject* object, uint32_t parameter, stringStorage* value);
void DataControlTableNameSetter(RuntimeObject* object, uint32_t parameter, stringStorage* value);
void DataControlQuerySetter(RuntimeObject* object, uint32_t parameter, stringStorage* value);
RuntimeObject* DataControlDBGetter(RuntimeObject* object, uint32_t parameter);
void DataControlDBSetter(RuntimeObject* object, uint32_t parameter, RuntimeObject* database);
void DataControlAlignSetter(RuntimeObject* object, uint32_t parameter, int32_t value);
void DataControlColorSetter(RuntimeObject* object, uint32_t parameter, uint32_t value);
void DataControlFontSetter(RuntimeObject* object, uint32_t parameter, stringStorage* value);
void DataControlSizeSetter(RuntimeObject* object, uint32_t parameter, int32_t value);
void DataControlAttributeSetter(RuntimeObject* object, uint32_t parameter, int32_t value);
void DataControlControlBindSetter(RuntimeObject* object, uint32_t parameter, int32_t value);
void DataControlReadOnlySetter(RuntimeObject* object, uint32_t parameter, int32_t value);
RuntimeObject* DataControlEncodingGetter(RuntimeObject* object, uint32_t parameter);
void DataControlEncodingSetter(RuntimeObject* object, uint32_t parameter, RuntimeObject* value);
int32_t DataControlGetConstant(RuntimeObject* object, uint32_t parameter);
int32_t DataControlRecordLockedGetter(RuntimeObject* object, uint32_t parameter);
stringStorage* DataControlGetField(RuntimeObject* object, int32_t index);
int32_t DataControlFieldCount(RuntimeObject* object);
RuntimeObject* DataControlGetCursor(RuntimeObject* object);
void DataControlMoveNext(RuntimeObject* object);
void DataControlMovePrev(RuntimeObject* object);
void DataControlMoveFirst(RuntimeObject* object);
void DataControlMoveLast(RuntimeObject* object);
void DataControlMoveTo(RuntimeObject* object, int32_t row);
int32_t DataControlRowCount(RuntimeObject* object);
int32_t DataControlRow(RuntimeObject* object);
void DataControlRunQuery(RuntimeObject* object);
void DataControlAddNewRecord(RuntimeObject* object);
void DataControlUpdateRecord(RuntimeObject* object);
void DataControlDeleteRecord(RuntimeObject* object);
void DataControlNewRecord(RuntimeObject* object);
void DataControlClearBoundControls(RuntimeObject* object);
RuntimeObject* DataControlGetBoundPart(RuntimeObject* object, stringStorage* name);
void DataControlActionPerformAction(RuntimeObject* action);
void DataControlActionDestructor(RuntimeObject* action);
}
