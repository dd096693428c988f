// The row list: the native interface of every control that shows one text out of a list of
// rows (popup menus and combo boxes). It owns the rows' texts and tags, the selected row
// (ListIndex), the text entry of an editable list, and the control's data binding.
//
// Promises of this layer:
//   - rows are indexed from 0; a read of a row that does not exist gives an empty text or a nil
//     tag, a write to one changes nothing; range errors are the language layer's to raise;
//   - while the tag mode holds tags, every stored tag carries one reference of the list's,
//     taken when it is stored and dropped when it is replaced or its row goes;
//   - the list tells its owner through ComboBoxEvents; each call holds the owner and the pane
//     and nothing is told once the pane began closing.
#pragma once

#include <cstdint>
#include <vector>

#include "core/Rect.h"
#include "core/RuntimeObject.h"
#include "database/DataBinding.h"
#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"

class Graphics;

// The binding kind of popup menus and combo boxes at a data control.
constexpr int32_t kPopupBindingKind = 3;

// How a data-aware list finds and leaves its data control. The data-control layer installs
// them; until it does, Bind binds nothing.
struct PopupBindingRoutines {
  // Binds control (of kind) to the data control its window names dataSource; that data
  // control, or nil when there is none.
  RuntimeObject* (*bind)(RuntimeObject* control, const string& dataSource, int32_t kind) = nullptr;
  void (*unbind)(RuntimeObject* dataControl, RuntimeObject* control, int32_t kind) = nullptr;
};
// Returns the routines installed before.
PopupBindingRoutines SetPopupBindingRoutines(const PopupBindingRoutines& routines);

// What the list tells its owner (the language object's router). The list holds the owner
// and its own pane chain for each call.
class ComboBoxEvents {
 public:
  virtual ~ComboBoxEvents() = default;
  virtual void Change() {}
  // (x, y) relative to the list.
  virtual bool MouseDown(int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual bool MouseUp(int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual void GotFocus() {}
  virtual void LostFocus() {}
  virtual void TextChanged() {}
  // True keeps the key from the entry.
  virtual bool KeyDown(const string& /*key*/) { return false; }
};

class ComboBox : public DataAwareClass {
 public:
  ComboBox(RuntimeObject* owner, ComboBoxEvents* events, const FontSpec& font)
      : mOwnerObject(owner), mEvents(events), mFont(font) {}
  virtual ~ComboBox() = default;

  // ---- data binding ----
  // Unbinds, then binds to the data control the data-source name names (nothing when empty).
  void Bind() override;
  void Unbind() override;
  void SetDataSourceName(const string& name) { mDataSource = name; }
  const string& DataSourceName() const { return mDataSource; }
  RuntimeObject* BoundDataControl() const { return mBoundControl; }

  // The language object is going away: nobody is told from now on.
  void ForgetOwner() {
    mOwnerObject = nullptr;
    mEvents = nullptr;
  }
  RuntimeObject* Owner() const { return mOwnerObject; }

  virtual bool IsNonEditable() { return false; }
  // ---- rows ----
  virtual void AddRow(const string& text, RuntimeObject* tag) = 0;
  virtual void AddRows(const std::vector<string>& texts) = 0;
  virtual int32_t GetListIndex() = 0;
  virtual void SetListIndex(int32_t index, bool raiseChange) = 0;
  virtual RuntimeObject* GetRowTag(int32_t row) = 0;
  virtual void SetRowTag(int32_t row, RuntimeObject* tag) = 0;
  virtual string GetRowText(int32_t row) = 0;
  virtual void AddSeparator() = 0;
  virtual void SetRowText(int32_t row, const string& text) = 0;
  virtual void DeleteAllRows() = 0;
  virtual void RemoveRow(int32_t row) = 0;
  virtual void InsertRow(int32_t row, const string& text, RuntimeObject* tag) = 0;
  virtual int32_t RowCount() = 0;
  virtual int32_t FindRowTag(RuntimeObject* tag) = 0;
  // ---- text, font and selection ----
  virtual void ApplyFont() = 0;
  virtual string GetDisplayText() = 0;
  virtual void SetDisplayText(const string& text) = 0;
  virtual int32_t GetSelStart() = 0;
  virtual int32_t GetSelLength() = 0;
  virtual void SetSelStart(int32_t start) = 0;
  virtual void SetSelLength(int32_t length) = 0;
  // Completion is not offered: the flag is the language object's alone.
  virtual void SetAutoComplete(bool) {}

  FontSpec& Font() { return mFont; }

 protected:
  RuntimeObject* mOwnerObject;     // not held: the owner's destructor calls ForgetOwner
  ComboBoxEvents* mEvents;   // the owner's router
  FontSpec mFont;

 private:
  string mDataSource;
  RuntimeObject* mBoundControl = nullptr;  // the data control holds the binding
};

// A new native list in owner's window at bounds: an editable GtkCombo for an editable list,
// otherwise a GtkComboBox when this GTK has one, else a GtkCombo whose entry takes no typing.
class PopupMenu;
class SubPane;
PopupMenu* CreatePopupMenuPane(RuntimeObject* owner, ComboBoxEvents* events, const FontSpec& font,
                               SubPane* parent, int32_t panelIndex, const QV::Rect& bounds,
                               bool editable);
