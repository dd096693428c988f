// The column model: width expressions read and resolved (the order of truncations, the star
// shares, the clamps that keep huge values from overflowing), the minimum and maximum setters
// and their refusals, expressions re-derived after a user resize, ClampColumnWidth, and the
// checked column indexes.
#include <gtest/gtest.h>

#include <memory>

#include "ListFixtures.h"
#include "listbox/ColumnWidthExpression.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

namespace {

using qvtest::Bounds;

TEST(ColumnExpression, EachTextHasItsKindAndAClampedValue) {
  struct Row {
    const char* text;
    ColumnExpressionKind kind;
    double value;
  };
  const Row rows[] = {
      {"", kColumnStar, 1},
      {"*", kColumnStar, 1},
      {"2*", kColumnStar, 2},
      {"0.5*", kColumnStar, 0.5},
      {"50%", kColumnPercent, 50},
      {"33.9", kColumnAbsolute, 33.9},
      {"-5", kColumnAbsolute, 0},
      {"1e12", kColumnAbsolute, kMaxColumnPixels},
      {"1e999*", kColumnStar, kMaxStarShare},
      {"100px", kColumnError, 0},
      {"abc", kColumnError, 0},
  };
  for (const Row& row : rows) {
    const ColumnExpression e = ParseColumnExpression(string(row.text));
    EXPECT_EQ(e.kind, row.kind) << row.text;
    EXPECT_DOUBLE_EQ(e.value, row.value) << row.text;
  }
  EXPECT_TRUE(ParseColumnExpression(string("-1")).negative);
  EXPECT_EQ(ClampedPixels(1e300), kMaxColumnPixels);
  EXPECT_EQ(ClampedPixels(-3), 0);
  EXPECT_EQ(PercentPixels(1e9, 30000), kMaxColumnPixels);
  EXPECT_EQ(PercentPixelsOfProduct(50, 301), 150);
  EXPECT_EQ(PercentPixelsOfProduct(1e9, 30000), kMaxColumnPixels);
}

TEST(ColumnExpression, AResolutionStepTakesPixelsOffAndCollectsShares) {
  qvtest::RaisedExceptions raised;
  ColumnResolution state = {301, 0};
  EXPECT_EQ(EvaluateColumnExpression(string("50%"), state, 301, 4), 150);
  EXPECT_EQ(EvaluateColumnExpression(string("33.9"), state, 301, 3), 33);
  EXPECT_EQ(EvaluateColumnExpression(string("2*"), state, 301, 2), 0);
  EXPECT_EQ(state.remaining, 301 - 150 - 33);
  EXPECT_DOUBLE_EQ(state.starSum, 2);
  EXPECT_EQ(raised.Take(), (std::vector<std::string>{}));
  // Not an expression: an equal share of what is left among the columns left, and raised.
  EXPECT_EQ(EvaluateColumnExpression(string("100px"), state, 301, 2), 118 / 2);
  EXPECT_EQ(raised.TakeOne(), "UnsupportedFormatException: Unrecognized expression '100px'");
  EXPECT_EQ(state.remaining, 118 - 59);
  state = {-10, 0};
  EXPECT_EQ(EvaluateColumnExpression(string("x"), state, 301, 2), 0) << "never negative";
}

class ColumnModel : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = std::make_unique<qvtest::ListWindow>(gui, 400, 300);
  }
  // A list whose row area is width pixels wide (the frame takes 3).
  qvtest::TestList* Make(int width, int columns) {
    auto* list =
        new qvtest::TestList(&recorder, window->window(), Bounds(20, 20, 220, 23 + width), true);
    list->SetColumnCount(columns);
    return list;
  }
  std::vector<int> Widths(qvtest::TestList* list) {
    std::vector<int> widths;
    for (int i = 0; i < list->ColumnCount(); ++i) widths.push_back(list->ColumnWidth(i));
    return widths;
  }
  void Express(qvtest::TestList* list, std::initializer_list<const char*> texts) {
    int i = 0;
    for (const char* text : texts) list->SetWidthExpression(i++, string(text));
    list->ResolveColumnWidths();
  }

  qvtest::GuiDriver gui;
  qvtest::ListRecorder recorder;  // outlives the window, whose lists it hears
  std::unique_ptr<qvtest::ListWindow> window;
  qvtest::RaisedExceptions raised;
};

TEST_F(ColumnModel, ResolutionGivesAbsoluteAndPercentFirstAndStarsTheRest) {
  qvtest::TestList* list = Make(101, 1);
  EXPECT_EQ(list->GetListRect().right - list->GetListRect().left, 101);
  Express(list, {""});
  EXPECT_EQ(Widths(list), (std::vector<int>{101}));
  list->SetColumnCount(2);
  Express(list, {"*", "*"});
  EXPECT_EQ(Widths(list), (std::vector<int>{50, 51})) << "the last takes the remainder";
  EXPECT_EQ(list->LastStarShare(), 50);
  list = Make(301, 4);
  Express(list, {"50%", "33.9", "-5", "*"});
  EXPECT_EQ(Widths(list), (std::vector<int>{150, 33, 0, 118}));
  list = Make(300, 3);
  Express(list, {"2*", "*", "1e12"});
  EXPECT_EQ(list->ColumnWidth(2), kMaxColumnPixels);
  EXPECT_EQ(list->ColumnWidth(0), 0) << "nothing left for the stars";
  Express(list, {"2*", "*", "60"});
  EXPECT_EQ(Widths(list), (std::vector<int>{160, 80, 60}));
  EXPECT_DOUBLE_EQ(list->StarTotal(), 3);
  Express(list, {"1e999*", "*", "60"});
  EXPECT_EQ(list->ColumnWidth(0), 239) << "a huge share stays finite";
  EXPECT_EQ(list->ColumnWidth(1), 0);
  EXPECT_TRUE(raised.Take().empty());
}

TEST_F(ColumnModel, EdgesFollowTheWidthsInThirtyTwoBits) {
  qvtest::TestList* list = Make(300, 3);
  Express(list, {"30000", "30000", "30000"});
  const int left = list->GetListRect().left;
  EXPECT_EQ(list->ColumnLeft(0), left);
  EXPECT_EQ(list->ColumnRight(2), left + 90000);
  list->SetHorizontalOffset(40);
  list->ComputeColumnEdges();
  EXPECT_EQ(list->ColumnLeft(1), left - 40 + 30000);
}

TEST_F(ColumnModel, BoundsRefuseStarsAndTextsWithTheirMessagesAndKeepTheOldText) {
  qvtest::TestList* list = Make(300, 2);
  list->SetMinWidthExpression(0, string("10%"));
  EXPECT_EQ(list->MinWidth(0), 30);
  list->SetMinWidthExpression(0, string("2*"));
  EXPECT_EQ(raised.TakeOne(),
            "UnsupportedFormatException: MinWidthExpression doesn't support the Asterisk ('*') "
            "format.");
  list->SetMaxWidthExpression(0, string("*"));
  EXPECT_EQ(raised.TakeOne(),
            "UnsupportedFormatException: MaxWidthExpression doesn't support the Asterisk ('*') "
            "format.");
  list->SetWidthExpression(0, string("100px"));
  EXPECT_EQ(raised.TakeOne(), "UnsupportedFormatException: Unrecognized expression '100px'");
  EXPECT_STREQ(list->GetMinWidthExpression(0).CString(), "10%");
  EXPECT_STREQ(list->GetMaxWidthExpression(0).CString(), "-1");
  EXPECT_EQ(list->GetWidthExpression(0).Length(), 0);
  // -1 is no maximum, set directly and resolved.
  list->SetMaxWidthExpression(1, string("80"));
  EXPECT_EQ(list->MaxWidth(1), 80);
  list->SetMaxWidthExpression(1, string("-1"));
  EXPECT_EQ(list->MaxWidth(1), -1);
  list->ResolveColumnWidths();
  EXPECT_EQ(list->MaxWidth(0), -1);
  EXPECT_EQ(list->MaxWidth(1), -1);
}

TEST_F(ColumnModel, AUserResizeRederivesStaleExpressions) {
  qvtest::TestList* list = Make(300, 2);
  Express(list, {"50%", "100"});
  list->SetColumnWidthByUser(0, 100);
  list->SetColumnWidthByUser(1, 120);
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"Width(0)", "Width(1)"}));
  EXPECT_STREQ(list->GetWidthExpression(0).CString(), "33.33333%");
  EXPECT_STREQ(list->GetWidthExpression(1).CString(), "120");
  list->SetMinWidth(0, 15);
  list->SetMaxWidth(0, 150);
  EXPECT_STREQ(list->GetMinWidthExpression(0).CString(), "15");
  EXPECT_STREQ(list->GetMaxWidthExpression(0).CString(), "150");
}

TEST_F(ColumnModel, ResizingBesideAStarRewritesTheSharesAndTheLastStarStaysPut) {
  qvtest::TestList* list = Make(300, 3);
  Express(list, {"100", "*", "2*"});
  EXPECT_EQ(Widths(list), (std::vector<int>{100, 66, 134}));
  EXPECT_EQ(list->LastStarShare(), 133);
  list->SetColumnWidthByUser(0, 80);
  EXPECT_EQ(Widths(list), (std::vector<int>{80, 86, 134}));
  EXPECT_STREQ(list->GetWidthExpression(1).CString(), "1*") << "the narrowest star reads 1*";
  EXPECT_STREQ(list->GetWidthExpression(2).CString(), "1.546512*");
  EXPECT_STREQ(list->GetWidthExpression(0).CString(), "80");
  list->SetColumnWidthByUser(2, 50);
  EXPECT_EQ(Widths(list), (std::vector<int>{80, 86, 134})) << "the last star column";
}

TEST_F(ColumnModel, ClampHoldsAWidthAtItsBoundsAndTheRowArea) {
  qvtest::TestList* list = Make(300, 2);
  Express(list, {"100", "100"});
  list->SetMinWidthExpression(0, string("50"));
  list->SetMaxWidthExpression(0, string("150"));
  const int mid = list->ColumnRight(0);
  int w = 30;
  EXPECT_EQ(list->ClampColumnWidth(0, w, mid), kClampLower);
  EXPECT_EQ(w, 50);
  w = 200;
  EXPECT_EQ(list->ClampColumnWidth(0, w, mid), kClampUpper);
  EXPECT_EQ(w, 150);
  w = 120;
  EXPECT_EQ(list->ClampColumnWidth(0, w, mid), kClampFree);
  EXPECT_EQ(w, 120);
  const QV::Rect area = list->GetListRect();
  w = 140;
  EXPECT_EQ(list->ClampColumnWidth(0, w, area.right + 10), kClampUpper);
  EXPECT_EQ(w, 131) << "pulled back to the row area's right";
  w = 60;
  EXPECT_EQ(list->ClampColumnWidth(0, w, area.left - 5), kClampLower);
  EXPECT_EQ(w, 65);
  // Beside a star column the neighbour gives the width and keeps its minimum.
  Express(list, {"100", "*"});
  list->SetMaxWidthExpression(0, string("-1"));
  list->SetMinWidthExpression(1, string("40"));
  w = 280;
  EXPECT_EQ(list->ClampColumnWidth(0, w, mid), kClampUpper);
  EXPECT_EQ(w, 100 + 200 - 40 + 1);
}

TEST_F(ColumnModel, ColumnIndexesAreChecked) {
  qvtest::TestList* list = Make(300, 2);
  list->SetWidthExpression(-1, string("10"));
  list->SetWidthExpression(64, string("10"));
  list->SetMinWidth(-3, 5);
  list->SetColumnAlignment(70, 2, 0);
  list->SetColumnWidthByUser(64, 10);
  list->SetSortDirection(-2, -1, true);
  qvtest::ReportCapture reports;
  EXPECT_EQ(list->ColumnWidth(64), 0);
  EXPECT_EQ(list->ColumnLeft(-1), 0);
  EXPECT_EQ(reports.count(), 2u);
}

}  // namespace
