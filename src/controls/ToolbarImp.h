// The native toolbar. ToolbarImp keeps the ToolButtons a toolbar shows (each locked while
// listed) and raises the language toolbar's Action; ToolbarImpGTK builds a GtkToolbar, packed
// into its window's bar box and toolbar list, with one GTK tool item per button (with an older
// GTK, the older insert functions: a separator becomes a space, a toggle a plain button).
//
// Indexes here count ToolButtons only: the language list may hold other ToolItems, which get
// no widget.
#pragma once

#include <gtk/gtk.h>

#include "core/IntMap.h"
#include "core/ObjectDefinition.h"
#include "core/SimpleVector.h"
#include "windows/ContainerPane.h"

class ToolbarImp : public ContainerPane {
 public:
  ToolbarImp(RuntimeObject* toolbar, const ObjectHook* actionHook, SubPane* owner,
             int32_t panelIndex, const QV::Rect& bounds);
  ~ToolbarImp() override;

  virtual void AppendItem(RuntimeObject* item);
  virtual int32_t ItemCount();
  virtual void InsertItem(int32_t index, RuntimeObject* item);
  // A locked reference, or nil outside 0 .. ItemCount - 1.
  virtual RuntimeObject* GetItem(int32_t index);
  virtual void RemoveItem(int32_t index);
  virtual void SetItemPushed(RuntimeObject* item, bool pushed, int32_t index);
  // The language toolbar's Action handler with (toolbar, item), when it has one.
  virtual void RaiseAction(RuntimeObject* item);

  RuntimeObject* Toolbar() const { return mToolbar; }
  // GTK places the toolbar above the content: its bounds hold no other pane.
  bool EnclosesPane(SubPane*, bool, bool) override { return false; }

 private:
  SimpleVector<RuntimeObject*> mItems;
  RuntimeObject* mToolbar;
  const ObjectHook* mActionHook;  // the class's Action event
};

class ToolbarImpGTK : public ToolbarImp {
 public:
  ToolbarImpGTK(RuntimeObject* toolbar, const ObjectHook* actionHook, SubPane* owner,
                int32_t panelIndex, const QV::Rect& bounds);
  ~ToolbarImpGTK() override;

  // GTK places the toolbar.
  void SetBounds(const QV::Rect& bounds, bool redraw) override;
  // Then lays the window's content out again below the bars.
  void ShowWidget(bool show) override;
  void AppendItem(RuntimeObject* item) override;
  void InsertItem(int32_t index, RuntimeObject* item) override;
  void RemoveItem(int32_t index) override;
  // Sets the toggle at index with its toggled handler blocked: no Action for a state set by code.
  void SetItemPushed(RuntimeObject* item, bool pushed, int32_t index) override;
  // The items carry the tips; the toolbar's one GtkTooltips stays on for them.
  void SetHelpTag(const string&) override {}

  // The widget of the button at index (nil for a space of the older API, or out of range).
  GtkWidget* ItemWidget(int32_t index);

 private:
  GtkWidget* NewToolItem(RuntimeObject* item, GtkWidget* image);
  void InsertOlderItem(int32_t index, RuntimeObject* item, GtkWidget* image);
  int32_t IndexOfWidget(GtkWidget* widget);
  void RelayoutWindow();
  static void OnClicked(GtkWidget* widget, ToolbarImpGTK* pane);
  static void OnToggled(GtkWidget* widget, ToolbarImpGTK* pane);
  static gboolean OnFirstExpose(GtkWidget* widget, GdkEventExpose* event, ToolbarImpGTK* pane);
  void RaiseActionAt(int32_t index);

  SimpleVector<GtkWidget*> mWidgets;  // one per listed button, 0 for a space
  IntMap<gulong> mExposeHandlers;     // widget -> its one-shot "expose-event" handler
};
