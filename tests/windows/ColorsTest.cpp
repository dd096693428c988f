// Colours: building and taking apart against Python's colorsys over a grid (the fractions made
// bytes by truncation, as the framework does), the documented cases, components that are not
// numbers or not finite, and the colour chooser worked with real keys and clicks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "support/GuiDriver.h"
#include "strings/UTF8TestSupport.h"
#include "windows/Colors.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Fractions as bytes, and the grids, in Python; floats printed exactly (repr).
const char kModel[] = R"(
import colorsys, random
def byte(x):
    return 0 if not x > 0 else 255 if x * 255.0 >= 255.0 else int(x * 255.0)
def colour(r, g, b):
    return byte(r) << 16 | byte(g) << 8 | byte(b)
random.seed(45)
channels = [0, 1, 2, 51, 64, 127, 128, 170, 200, 254, 255]
for r in channels:
    for g in channels:
        for b in channels:
            h, s, v = colorsys.rgb_to_hsv(r / 255.0, g / 255.0, b / 255.0)
            print('rgb', r, g, b, repr(h), repr(s), repr(v))
fractions = [0.0, 0.1, 0.25, 1 / 3, 0.5, 0.6, 2 / 3, 0.75, 0.9, 0.999, 1.0]
hues = [k / 24 for k in range(24)] + [random.random() for _ in range(40)]
for h in hues:
    for s in fractions:
        for v in fractions:
            print('hsv', repr(h), repr(s), repr(v), colour(*colorsys.hsv_to_rgb(h, s, v)))
for c in fractions + [-0.5, 1.5]:
    for m in fractions:
        y = random.random()
        print('cmy', repr(c), repr(m), repr(y), colour(1 - c, 1 - m, 1 - y))
)";

TEST(Colors, AgainstPythonsColorsysOverAGrid) {
  const auto lines = utf8test::PythonRows(kModel);
  ASSERT_GT(lines.size(), 3000u);
  int compared = 0;
  for (const auto& f : lines) {
    ASSERT_EQ(f.size(), f[0] == "rgb" ? 7u : 5u);
    if (f[0] == "rgb") {
      const int32_t r = std::stoi(f[1]), g = std::stoi(f[2]), b = std::stoi(f[3]);
      const uint32_t c = RuntimeRGB(r, g, b);
      ASSERT_EQ(c, uint32_t(r << 16 | g << 8 | b));
      EXPECT_EQ(readColorRed(c), r);
      EXPECT_EQ(readColorGreen(c), g);
      EXPECT_EQ(readColorBlue(c), b);
      EXPECT_NEAR(readColorHue(c), std::stod(f[4]), 1e-12) << std::hex << c;
      EXPECT_NEAR(readColorSaturation(c), std::stod(f[5]), 1e-12) << std::hex << c;
      EXPECT_DOUBLE_EQ(readColorValue(c), std::stod(f[6])) << std::hex << c;
      EXPECT_DOUBLE_EQ(readColorCyan(c), (255 - r) / 255.0);
      EXPECT_DOUBLE_EQ(readColorMagenta(c), (255 - g) / 255.0);
      EXPECT_DOUBLE_EQ(readColorYellow(c), (255 - b) / 255.0);
    } else {
      const double x = std::stod(f[1]), y = std::stod(f[2]), z = std::stod(f[3]);
      const uint32_t expected = uint32_t(std::stoul(f[4]));
      const uint32_t got = f[0] == "hsv" ? RuntimeHSV(x, y, z) : RuntimeCMY(x, y, z);
      EXPECT_EQ(got, expected) << f[0] << " " << f[1] << " " << f[2] << " " << f[3];
    }
    ++compared;
  }
  EXPECT_EQ(compared, int(lines.size()));
}

TEST(Colors, DocumentedCases) {
  EXPECT_EQ(RuntimeRGB(300, -5, 128), 0xFF0080u);
  EXPECT_EQ(RuntimeRGB(INT32_MIN, INT32_MAX, 0), 0x00FF00u);
  EXPECT_EQ(RuntimeHSV(0.5, 0, 0.5), 0x7F7F7Fu);  // truncated, never rounded
  EXPECT_EQ(RuntimeHSV(1.0, 1, 1), 0xFF0000u);
  EXPECT_EQ(RuntimeHSV(0.5, 1, 1), 0x00FFFFu);
  EXPECT_EQ(RuntimeHSV(-0.25, 1, 1), 0xFF0000u);  // hue 0 or less counts as 0
  EXPECT_EQ(RuntimeCMY(0, 1, 1), 0xFF0000u);
  EXPECT_EQ(readColorSaturation(0x808080), 0.0);
  EXPECT_EQ(readColorHue(0x808080), 0.0);
  EXPECT_DOUBLE_EQ(readColorValue(0x808080), 128 / 255.0);
  EXPECT_DOUBLE_EQ(readColorHue(0x0000FF), 4 / 6.0);
  EXPECT_DOUBLE_EQ(readColorHue(0xFF00FF), 5 / 6.0);  // red and blue both largest: red wins
  EXPECT_EQ(readColorHue(0), 0.0);
  EXPECT_EQ(readColorSaturation(0), 0.0);
  // The colour's top byte is not a channel.
  EXPECT_EQ(readColorRed(0xAB123456), 0x12);
  EXPECT_EQ(readColorBlue(0xAB123456), 0x56);
}

TEST(Colors, HuesAroundTheCircleComeBack) {
  for (uint32_t c : {0xFF0000u, 0xFF8000u, 0x80FF00u, 0x00FF80u, 0x0080FFu, 0x8000FFu,
                     0xFF0080u, 0x123456u, 0xFEDCBAu}) {
    EXPECT_EQ(RuntimeHSV(readColorHue(c), readColorSaturation(c), readColorValue(c) + 1e-9), c)
        << std::hex << c;
  }
  // The largest hue below 1 scales to sector 6: it is red again, not black.
  EXPECT_EQ(RuntimeHSV(std::nextafter(1.0, 0.0), 1, 1), 0xFF0000u);
}

TEST(Colors, ComponentsThatAreNotNumbersOrNotFinite) {
  EXPECT_EQ(RuntimeHSV(kNaN, 1, 1), 0u);  // no sector for such a hue
  EXPECT_EQ(RuntimeHSV(kNaN, 0, 1), 0xFFFFFFu);  // a grey needs no hue
  EXPECT_EQ(RuntimeHSV(kInfinity, 1, 1), 0xFF0000u);
  EXPECT_EQ(RuntimeHSV(-kInfinity, 1, 1), 0xFF0000u);
  EXPECT_EQ(RuntimeHSV(0.5, kNaN, 1), 0x0000FFu);  // the channels made of s are 0
  EXPECT_EQ(RuntimeHSV(0.5, 0, kNaN), 0u);
  EXPECT_EQ(RuntimeHSV(0.5, 0, kInfinity), 0xFFFFFFu);
  EXPECT_EQ(RuntimeHSV(0.5, 0, -kInfinity), 0u);
  EXPECT_EQ(RuntimeHSV(0.5, 0, 1e300), 0xFFFFFFu);
  EXPECT_EQ(RuntimeHSV(0.0, 1e300, 1), 0xFF0000u);
  EXPECT_EQ(RuntimeHSV(0.1, -kInfinity, 1), 0xFFFFFFu);
  EXPECT_EQ(RuntimeCMY(kNaN, kInfinity, -kInfinity), 0x0000FFu);
  EXPECT_EQ(RuntimeCMY(-1e300, 1e300, 0.5), 0xFF007Fu);
  EXPECT_EQ(ComponentOfFraction(kNaN), 0);
  EXPECT_EQ(ComponentOfFraction(std::numeric_limits<double>::max()), 255);
  EXPECT_EQ(ComponentOfFraction(std::numeric_limits<double>::denorm_min()), 0);
  EXPECT_EQ(ComponentOfFraction(-0.0), 0);
}

// The colour chooser's colour-name entry: the one text entry that is no spin button.
GtkWidget* ColorNameEntry(GtkWidget* widget) {
  if (GTK_IS_ENTRY(widget) && !GTK_IS_SPIN_BUTTON(widget)) return widget;
  GtkWidget* found = nullptr;
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* child = children; child && !found; child = child->next)
      found = ColorNameEntry(GTK_WIDGET(child->data));
    g_list_free(children);
  }
  return found;
}

// A GDK colour as "#RRGGBB".
std::string Hex(const GdkColor& color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", color.red / 257, color.green / 257,
                color.blue / 257);
  return text;
}

// Runs the chooser titled title: types hex into its colour-name entry, then clicks button.
int32_t ChooseByName(qvtest::GuiDriver& gui, uint32_t* value, const char* title,
                     const std::string& hex, const std::string& button) {
  gui.Meanwhile([&] {
    const qvtest::XWindow chooser = gui.WaitForWindow(title);
    ASSERT_TRUE(chooser);
    ASSERT_TRUE(gui.WaitForFocus(chooser));
    GtkWidget* dialog = GTK_WIDGET(gui.Gtk(chooser));
    GtkWidget* entry = ColorNameEntry(dialog);
    ASSERT_NE(entry, nullptr);
    gui.Click(entry);
    ASSERT_TRUE(gui.PumpUntil([&] { return gtk_widget_has_focus(entry); }));
    gui.Key("ctrl+a");
    gui.Type(hex);
    gui.Key("Return");
    // The chooser takes the name when Return reaches the entry.
    GtkColorSelection* selection = GTK_COLOR_SELECTION(
        gtk_color_selection_dialog_get_color_selection(GTK_COLOR_SELECTION_DIALOG(dialog)));
    EXPECT_TRUE(gui.PumpUntil([&] {
      GdkColor shown = {};
      gtk_color_selection_get_current_color(selection, &shown);
      return Hex(shown) == hex;
    }));
    gui.Click(gui.FindButton(chooser, button));
  });
  const string prompt = string::FromBytes(title, int64_t(strlen(title)), kEncodingUTF8);
  const int32_t chosen = selectColor(value, prompt.Storage());
  EXPECT_TRUE(gui.StepsDone());
  return chosen;
}

TEST(SelectColor, TheNameTypedAndOKGiveTheColourAndCancelLeavesTheVariable) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  const char* title = "Pick a colo\xC3\xBCr";
  uint32_t value = 0x123456;
  EXPECT_EQ(ChooseByName(gui, &value, title, "#FF8000", "OK"), 1);
  EXPECT_EQ(value, 0xFF8000u);
  EXPECT_EQ(ChooseByName(gui, &value, title, "#0000FF", "Cancel"), 0);
  EXPECT_EQ(value, 0xFF8000u);
}

}  // namespace
