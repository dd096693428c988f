// What the pane layer relies on of a top-level window: the GtkWindow and the GtkFixed that
// holds every pane's widget (the window's own widget), the menu bar and toolbars above the
// content, the pane list (every pane made directly on the window, back to front) and the pane
// remembered as holding the keyboard focus. The native window derives from it and builds the
// widgets. A window enters the window order list at the front when it is made and leaves it
// when it is destroyed.
#pragma once

#include <gtk/gtk.h>

#include "core/GenericArray.h"
#include "core/SimpleVector.h"
#include "windows/ContainerPane.h"

class WindowPane : public ContainerPane {
 public:
  explicit WindowPane(const QV::Rect& bounds);
  ~WindowPane() override;

  bool IsWindow() override { return true; }

  GtkWindow* GetGtkWindow() const { return mGtkWindow; }
  // The container of the content; also the window's own widget.
  GtkFixed* ContentFixed() const { return mFixed; }
  GtkWidget* MenuBarWidget() const { return mMenuBar; }
  void SetMenuBarWidget(GtkWidget* menuBar) { mMenuBar = menuBar; }
  const SimpleVector<GtkWidget*>& Toolbars() const { return mToolbars; }
  SimpleVector<GtkWidget*>& Toolbars() { return mToolbars; }

  int32_t PaneCount() const { return mPanes.Count(); }
  SubPane* PaneAt(int32_t index) const;
  // -1 when pane is not in the list.
  int32_t IndexOfPane(SubPane* pane) const;
  void AppendPane(SubPane* pane);
  void InsertPane(int32_t index, SubPane* pane);
  // Nothing when pane is not in the list.
  void RemovePane(SubPane* pane);

  SubPane* FocusControl() const { return mFocusControl; }
  void SetFocusControl(SubPane* pane) { mFocusControl = pane; }

 protected:
  // The derived window gives its widgets: fixed becomes the pane's widget; the pane destroys
  // the GtkWindow (and so every widget in it) with itself.
  void SetWindowWidgets(GtkWindow* window, GtkFixed* fixed);

 private:
  GtkWindow* mGtkWindow = nullptr;
  GtkFixed* mFixed = nullptr;
  GtkWidget* mMenuBar = nullptr;
  SimpleVector<GtkWidget*> mToolbars;
  GenericArray mPanes;
  SubPane* mFocusControl = nullptr;
};
