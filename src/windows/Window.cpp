#include "windows/WindowPane.h"

#include "windows/WindowOrder.h"

WindowPane::WindowPane(const QV::Rect& bounds) : ContainerPane(nullptr, 0, bounds) {
  mPanes.Init();
  UpdateWindowOrder(this, kWindowOrderAddAtFront);
}

WindowPane::~WindowPane() {
  UpdateWindowOrder(this, kWindowOrderRemove);
  mPanes.Dispose();
  if (mGtkWindow) gtk_widget_destroy(GTK_WIDGET(mGtkWindow));
}

SubPane* WindowPane::PaneAt(int32_t index) const {
  return reinterpret_cast<SubPane*>(mPanes.GetAt(index));
}

int32_t WindowPane::IndexOfPane(SubPane* pane) const {
  for (int32_t i = 0; i < mPanes.Count(); ++i) {
    if (PaneAt(i) == pane) return i;
  }
  return -1;
}

void WindowPane::AppendPane(SubPane* pane) { mPanes.Append(reinterpret_cast<uint32_t>(pane)); }

void WindowPane::InsertPane(int32_t index, SubPane* pane) {
  mPanes.InsertAt(index, reinterpret_cast<uint32_t>(pane));
}

void WindowPane::RemovePane(SubPane* pane) {
  const int32_t index = IndexOfPane(pane);
  if (index >= 0) mPanes.RemoveAt(index);
}

void WindowPane::SetWindowWidgets(GtkWindow* window, GtkFixed* fixed) {
  mGtkWindow = window;
  mFixed = fixed;
  SetWidget(GTK_WIDGET(fixed));
}
