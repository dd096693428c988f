// The list-box pane tests' kit: a pane whose language events are scripted by the test, in a
// real window of its own.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ListFixtures.h"
#include "listbox/RuntimeListbox.h"
#include "support/RaisedExceptions.h"

namespace qvtest {

class ScriptedList : public RuntimeListbox {
 public:
  ScriptedList(SubPane* parent, const QV::Rect& bounds, bool multiple)
      : RuntimeListbox(nullptr, parent, bounds, multiple) {}
  ~ScriptedList() override {
    if (destroyed) *destroyed = true;
  }

  std::function<void()> onChanging;
  std::function<bool(int32_t)> onHeaderPressed;
  std::function<bool(int32_t)> onSortColumn;
  std::function<bool(int32_t, int32_t, int32_t, int32_t&)> onCompareRows;
  std::function<void(int32_t)> onExpandRow;
  std::function<void(int32_t)> onCollapseRow;
  bool* destroyed = nullptr;

  bool HasHandler(ListboxEvent event) const override {
    if (event == kListCompareRows) return bool(onCompareRows);
    return RuntimeListbox::HasHandler(event);
  }

  void SelectionChanging(NuListbox* list) override {
    RuntimeListbox::SelectionChanging(list);
    if (onChanging) onChanging();
  }

  // Column 0 of every row, in order, joined by spaces.
  std::string Column0() {
    std::string text;
    for (int32_t row = 0; row < RowCount(); ++row) {
      if (row > 0) text += " ";
      text += GetCellText(true, row, 0).CString();
    }
    return text;
  }
  // Column 0 with each row's depth: "a b:1 c:2".
  std::string Tree() {
    std::string text;
    for (int32_t row = 0; row < RowCount(); ++row) {
      if (row > 0) text += " ";
      text += GetCellText(true, row, 0).CString();
      if (RowDepth(row) > 0) text += ":" + std::to_string(RowDepth(row));
    }
    return text;
  }
  // Adds a row as the language's AddRow does (under a folder being expanded).
  int32_t AddChild(const char* text, int32_t state = -1) {
    const int32_t row = AddListRow(nullptr, state);
    SetCellText(row, 0, string(text), false);
    return row;
  }
  // Adds a row of Tab-separated cells at depth, a folder when state is 0 or 1.
  int32_t Add(const char* cells, int32_t depth = 0, int32_t state = -1) {
    const int32_t row = AddRow(nullptr, depth, state);
    SetCellText(row, -1, string(cells), false);
    return row;
  }

 protected:
  bool RaiseHeaderPressed(int32_t column) override {
    return onHeaderPressed && onHeaderPressed(column);
  }
  void RaiseExpandRow(int32_t row) override {
    if (onExpandRow) onExpandRow(row);
  }
  void RaiseCollapseRow(int32_t row) override {
    if (onCollapseRow) onCollapseRow(row);
  }
  bool RaiseSortColumn(int32_t column) override { return onSortColumn && onSortColumn(column); }
  bool RaiseCompareRows(int32_t row1, int32_t row2, int32_t column, int32_t& result) override {
    return onCompareRows && onCompareRows(row1, row2, column, result);
  }
};

class ListPane : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = std::make_unique<ListWindow>(gui, 400, 300);
  }
  ScriptedList* Make(bool multiple = true) {
    return new ScriptedList(window->window(), Bounds(20, 20, 220, 323), multiple);
  }

  GuiDriver gui;
  RaisedExceptions raised;
  std::unique_ptr<ListWindow> window;
};

}  // namespace qvtest
