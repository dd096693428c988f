// The built-in cursor pictures, drawn for this framework: black outlines around white shapes.
#include "windows/CursorPictures.h"

namespace {

// clang-format off
constexpr CursorRecord kHandOpen = CursorRecordFromArt({{
    "      XXXX      ",
    "   XXXXooXXXX   ",
    "   XooXooXooX   ",
    "   XooXooXooX   ",
    "   XooXooXooXXX ",
    "   XooXooXooooX ",
    "XXXXooXooXooooX ",
    "XoXXooXooXooooX ",
    "XooXoooooooooXX ",
    "XXoooooooooooX  ",
    " XooooooooooXX  ",
    " XXXooooooooX   ",
    "   XooooooooX   ",
    "   XooooooooX   ",
    "   XXXXXXXXXX   ",
    "                "}, 9, 8});

constexpr CursorRecord kHandClosed = CursorRecordFromArt({{
    "                ",
    "                ",
    "                ",
    "                ",
    "   XXXXXXXXXX   ",
    "   XooXooXooXX  ",
    "   XooXooXoooX  ",
    " XXXoooooooooX  ",
    " XoooooooooooX  ",
    " XXoooooooooXX  ",
    "  XXooooooooX   ",
    "   XooooooooX   ",
    "   XooooooooX   ",
    "   XooooooooX   ",
    "   XXXXXXXXXX   ",
    "                "}, 9, 8});

constexpr CursorRecord kArrowEastWest = CursorRecordFromArt({{
    "                ",
    "                ",
    "                ",
    "    XXX XXX     ",
    "   XXoX XoXX    ",
    "  XXooX XooXX   ",
    " XXoooXXXoooXX  ",
    " XoooooooooooX  ",
    " XXoooXXXoooXX  ",
    "  XXooX XooXX   ",
    "   XXoX XoXX    ",
    "    XXX XXX     ",
    "                ",
    "                ",
    "                ",
    "                "}, 7, 7});

constexpr CursorRecord kArrowNorthSouth = CursorRecordFromArt({{
    "                ",
    "      XXX       ",
    "     XXoXX      ",
    "    XXoooXX     ",
    "   XXoooooXX    ",
    "   XoooooooX    ",
    "   XXXXoXXXX    ",
    "      XoX       ",
    "   XXXXoXXXX    ",
    "   XoooooooX    ",
    "   XXoooooXX    ",
    "    XXoooXX     ",
    "     XXoXX      ",
    "      XXX       ",
    "                ",
    "                "}, 7, 7});

constexpr CursorRecord kArrowNortheastSouthwest = CursorRecordFromArt({{
    "                ",
    "       XXXXXXX  ",
    "       XoooooX  ",
    "       XXooooX  ",
    "        XXoooX  ",
    "       XXoXooX  ",
    "      XXoXXXoX  ",
    " XXX XXoXX XXX  ",
    " XoXXXoXX       ",
    " XooXoXX        ",
    " XoooXX         ",
    " XooooXX        ",
    " XoooooX        ",
    " XXXXXXX        ",
    "                ",
    "                "}, 7, 7});

constexpr CursorRecord kArrowNorthwestSoutheast = CursorRecordFromArt({{
    "                ",
    " XXXXXXX        ",
    " XoooooX        ",
    " XooooXX        ",
    " XoooXX         ",
    " XooXoXX        ",
    " XoXXXoXX       ",
    " XXX XXoXX XXX  ",
    "      XXoXXXoX  ",
    "       XXoXooX  ",
    "        XXoooX  ",
    "       XXooooX  ",
    "       XoooooX  ",
    "       XXXXXXX  ",
    "                ",
    "                "}, 7, 7});

constexpr CursorRecord kSplitterEastWest = CursorRecordFromArt({{
    "                ",
    "       XX       ",
    "       XX       ",
    "       XX       ",
    "       XX       ",
    "   XXX XX XXX   ",
    "  XXoX XX XoXX  ",
    " XXooXXXXXXooXX ",
    " XooooXXXXooooX ",
    " XXooXXXXXXooXX ",
    "  XXoX XX XoXX  ",
    "   XXX XX XXX   ",
    "       XX       ",
    "       XX       ",
    "       XX       ",
    "                "}, 8, 8});

constexpr CursorRecord kSplitterNorthSouth = CursorRecordFromArt({{
    "                ",
    "       XXX      ",
    "      XXoXX     ",
    "     XXoooXX    ",
    "     XoooooX    ",
    "     XXXoXXX    ",
    "       XXX      ",
    " XXXXXXXXXXXXXX ",
    " XXXXXXXXXXXXXX ",
    "       XXX      ",
    "     XXXoXXX    ",
    "     XoooooX    ",
    "     XXoooXX    ",
    "      XXoXX     ",
    "       XXX      ",
    "                "}, 8, 8});

constexpr CursorRecord kFingerPointer = CursorRecordFromArt({{
    "      XXX       ",
    "      XoX       ",
    "      XoX       ",
    "     XXoX       ",
    "     XooX       ",
    "     XooXXXXX   ",
    "    XXooXoooX   ",
    "  XXXoooXoooX   ",
    "  XoooooooooX   ",
    "  XoooooooooX   ",
    "  XoooooooooX   ",
    "  XXooooooooX   ",
    "   XooooooooX   ",
    "   XooooooooX   ",
    "   XXXXXXXXXX   ",
    "                "}, 0, 7});

constexpr CursorRecord kMagnifyLarger = CursorRecordFromArt({{
    "                ",
    "   XXXXX        ",
    "  XXoooXX       ",
    " XXooXooXX      ",
    " XoooXoooX      ",
    " XoXXXXXoX      ",
    " XoooXoooX      ",
    " XXooXooXX      ",
    "  XXoooXX       ",
    "   XXXXX XX     ",
    "         XXX    ",
    "          XXX   ",
    "           XXX  ",
    "            XXX ",
    "             XXX",
    "              X "}, 5, 5});

constexpr CursorRecord kMagnifySmaller = CursorRecordFromArt({{
    "                ",
    "   XXXXX        ",
    "  XXoooXX       ",
    " XXoooooXX      ",
    " XoooooooX      ",
    " XoXXXXXoX      ",
    " XoooooooX      ",
    " XXoooooXX      ",
    "  XXoooXX       ",
    "   XXXXX XX     ",
    "         XXX    ",
    "          XXX   ",
    "           XXX  ",
    "            XXX ",
    "             XXX",
    "              X "}, 5, 5});
// clang-format on

// Every pixel transparent: a cursor that shows nothing, not the absence of a cursor.
constexpr CursorRecord kInvisible{};

const CursorRecord* const kBuiltIn[kStandardCursorCount] = {
    &kHandOpen, &kHandClosed, &kArrowEastWest, &kArrowNorthSouth, &kArrowNortheastSouthwest,
    &kArrowNorthwestSoutheast, nullptr, nullptr, nullptr, nullptr, &kSplitterEastWest,
    &kSplitterNorthSouth, &kFingerPointer, nullptr, nullptr, nullptr, &kMagnifyLarger,
    &kMagnifySmaller, &kInvisible,
};

}  // namespace

const CursorRecord* BuiltInCursorRecord(int32_t index) {
  return index >= 0 && index < kStandardCursorCount ? kBuiltIn[index] : nullptr;
}
