/* The list application of the list-box tests: a window "Lists" (480 x 380) with
 *   List  a four-column Listbox at (30, 40) to (430, 340), HasHeading, ColumnWidths
 *         "50, 25%, *, 2*".
 * The window's Open adds 10,000 rows through AddRow and Cell(r, c) =: column 1 from UTF-16
 * texts, column 2 from Windows-1252 texts, column 3 the number r * 13. Every 100th row gets the
 * CellTag r on column 3, every 250th a bold column 1, every 10th a checked column 0. Then every
 * cell is read back through Cell and List, every tag through CellTag, and it prints
 *   "ListCount <n>", "LastIndex <n>", "ColumnWidths <text>", "Differing <n>",
 *   "Tags <found> <wrong>", "Bold <n>", "Checked <n>", "Checksum <FNV-1a of the texts read>",
 * scrolls to row 9,990 (as far as the last row lets it) and prints "ScrollPosition <row>" and
 * "Click <x> <y> <RowFromXY>" for a point near the list's left edge in its first visible row
 * (the first y that names a row, plus 2).
 * and "Filled". CellClick prints "CellClick <row> <column>", Change "Change <ListIndex>
 * <Selected> <Text>"; KeyDown of the list or the window quits. */
#include "qvapp.h"

QVString StringStrInt32(int32_t value);
QVObject* Int32ToVariant(int32_t value);
int32_t VariantToInt32(QVObject* variant);
void RuntimeListAddRow(QVObject* list, QVString text);
QVString RuntimeGetRow(QVObject* list, int32_t row);
int32_t listCountGetter(QVObject* list, uint32_t parameter);
int32_t listLastIndexGetter(QVObject* list, uint32_t parameter);
void listColumnCountSetter(QVObject* list, uint32_t parameter, int32_t value);
void listHasHeadingSetter(QVObject* list, uint32_t parameter, int32_t flag);
QVString listColumnWidthsGetter(QVObject* list, uint32_t parameter);
void listColumnWidthsSetter(QVObject* list, uint32_t parameter, QVString text);
QVString listGetCell(QVObject* list, int32_t row, int32_t column);
void listSetCell(QVObject* list, int32_t row, int32_t column, QVString text);
QVObject* listGetCellTag(QVObject* list, int32_t row, int32_t column);
void listSetCellTag(QVObject* list, int32_t row, int32_t column, QVObject* tag);
int32_t listGetCellBold(QVObject* list, int32_t row, int32_t column);
void listSetCellBold(QVObject* list, int32_t row, int32_t column, int32_t flag);
int32_t listCellCheckGetter(QVObject* list, int32_t row, int32_t column);
void listCellCheckSetter(QVObject* list, int32_t row, int32_t column, int32_t value);
void listScrollPositionSetter(QVObject* list, uint32_t parameter, int32_t row);
int32_t listScrollPositionGetter(QVObject* list, uint32_t parameter);
int32_t listRowFromXY(QVObject* list, int32_t x, int32_t y);
int32_t listSelectionGetter(QVObject* list, uint32_t parameter);
int32_t listGetSelected(QVObject* list, int32_t row);
QVString listTextGetter(QVObject* list, uint32_t parameter);

#define ROWS 10000
#define ENCODING_UTF16 0x0100u
#define ENCODING_WINDOWS_LATIN1 0x0500u

static QVClass* gListClass;
static QVObject* gList;

/* Column 1's texts as UTF-16 arrives, and column 2's as Windows-1252; each with its UTF-8. */
static QVString Utf16Text(int which) {
  switch (which) {
    case 0: return QV_STR_ENCODED("G\0r\0\xF6\0\xDF\0" "e\0", ENCODING_UTF16);
    case 1: return QV_STR_ENCODED("\x95\x03\xBB\x03\xBB\x03\xAC\x03", ENCODING_UTF16);
    default: return QV_STR_ENCODED("\xAC\x20" "5\0", ENCODING_UTF16);
  }
}
static const char* Utf16AsUtf8(int which) {
  static const char* const texts[] = {"Gr\xC3\xB6\xC3\x9F" "e", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC",
                                      "\xE2\x82\xAC" "5"};
  return texts[which];
}
static QVString Latin1Text(int which) {
  switch (which) {
    case 0: return QV_STR_ENCODED("caf\xE9", ENCODING_WINDOWS_LATIN1);
    case 1: return QV_STR_ENCODED("\x80 100", ENCODING_WINDOWS_LATIN1);
    default: return QV_STR_ENCODED("\x93quoted\x94", ENCODING_WINDOWS_LATIN1);
  }
}
static const char* Latin1AsUtf8(int which) {
  static const char* const texts[] = {"caf\xC3\xA9", "\xE2\x82\xAC 100",
                                      "\xE2\x80\x9Cquoted\xE2\x80\x9D"};
  return texts[which];
}

/* Decimal digits of value into text (NUL-terminated); the length. */
static int Digits(int32_t value, char* text) {
  char reversed[12];
  int n = 0;
  do {
    reversed[n++] = (char)('0' + value % 10);
    value /= 10;
  } while (value);
  for (int i = 0; i < n; ++i) text[i] = reversed[n - 1 - i];
  text[n] = 0;
  return n;
}

/* What row r's column 0 and 3 hold. */
static void RowText(int32_t r, char* text) {
  text[0] = 'R';
  text[1] = 'o';
  text[2] = 'w';
  text[3] = ' ';
  Digits(r, text + 4);
}

static uint32_t gHash = 2166136261u;
static void HashBytes(const unsigned char* bytes, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) gHash = (gHash ^ bytes[i]) * 16777619u;
}

/* Hashes text with a separator, compares it with expected and lets go of it; 1 when it
 * differs. */
static int CheckText(QVString text, const char* expected) {
  const uint32_t length = text ? text->length : 0;
  if (text) HashBytes(text->data + 1, length);
  const unsigned char separator = 0x1F;
  HashBytes(&separator, 1);
  int differs = !QVStringIs(text, expected);
  if (text && text->encoding != QV_ENCODING_UTF8) differs = 1;
  RuntimeUnlockString(text);
  return differs;
}

static void Fill(QVObject* list) {
  char text[24];
  for (int32_t r = 0; r < ROWS; ++r) {
    RowText(r, text);
    QVString first = StringFromCString(text);
    RuntimeListAddRow(list, first);
    RuntimeUnlockString(first);
    listSetCell(list, r, 1, Utf16Text(r % 3));
    listSetCell(list, r, 2, Latin1Text(r % 3));
    QVString number = StringStrInt32(r * 13);
    listSetCell(list, r, 3, number);
    RuntimeUnlockString(number);
    if (r % 100 == 0) {
      QVObject* tag = Int32ToVariant(r);
      listSetCellTag(list, r, 3, tag);
      RuntimeUnlockObject(tag);
    }
    if (r % 250 == 0) listSetCellBold(list, r, 1, 1);
    if (r % 10 == 0) listCellCheckSetter(list, r, 0, 1);
  }
}

static void ReadBack(QVObject* list) {
  char text[24];
  int32_t differing = 0, tags = 0, wrongTags = 0, bold = 0, checked = 0;
  for (int32_t r = 0; r < ROWS; ++r) {
    RowText(r, text);
    differing += CheckText(listGetCell(list, r, 0), text);
    differing += CheckText(listGetCell(list, r, 1), Utf16AsUtf8(r % 3));
    differing += CheckText(listGetCell(list, r, 2), Latin1AsUtf8(r % 3));
    char number[16];
    Digits(r * 13, number);
    differing += CheckText(listGetCell(list, r, 3), number);
    differing += CheckText(RuntimeGetRow(list, r), text);
    QVObject* tag = listGetCellTag(list, r, 3);
    if (tag) {
      ++tags;
      if (r % 100 != 0 || VariantToInt32(tag) != r) ++wrongTags;
      RuntimeUnlockObject(tag);
    } else if (r % 100 == 0) {
      ++wrongTags;
    }
    bold += listGetCellBold(list, r, 1);
    checked += listCellCheckGetter(list, r, 0);
  }
  int32_t values[2] = {listCountGetter(list, 0), 0};
  QVSayNumbers("ListCount", values, 1, 0);
  values[0] = listLastIndexGetter(list, 0);
  QVSayNumbers("LastIndex", values, 1, 0);
  QVSayText(QV_STR("ColumnWidths "), listColumnWidthsGetter(list, 0));
  values[0] = differing;
  QVSayNumbers("Differing", values, 1, 0);
  values[0] = tags;
  values[1] = wrongTags;
  QVSayNumbers("Tags", values, 2, 0);
  values[0] = bold;
  QVSayNumbers("Bold", values, 1, 0);
  values[0] = checked;
  QVSayNumbers("Checked", values, 1, 0);
  values[0] = (int32_t)gHash;
  QVSayNumbers("Checksum", values, 1, 1);
}

/* The first y at x = 3 that names a row is the first visible row's top. */
static void SayClickPoint(QVObject* list) {
  listScrollPositionSetter(list, 0, 9990);
  int32_t top = listScrollPositionGetter(list, 0);
  QVSayNumbers("ScrollPosition", &top, 1, 0);
  int32_t y = 0;
  while (y < 300 && listRowFromXY(list, 3, y) < 0) ++y;
  int32_t values[3] = {3, y + 2, listRowFromXY(list, 3, y + 2)};
  QVSayNumbers("Click", values, 3, 0);
  RuntimeConsolePrint(QV_STR("Filled"));
}

static void OnWindowOpen(QVObject* window) {
  (void)window;
  Fill(gList);
  ReadBack(gList);
  SayClickPoint(gList);
}

static int32_t OnCellClick(QVObject* list, int32_t row, int32_t column, int32_t x, int32_t y) {
  (void)list, (void)x, (void)y;
  int32_t values[2] = {row, column};
  QVSayNumbers("CellClick", values, 2, 0);
  return 0;
}

static void OnChange(QVObject* list) {
  const int32_t index = listSelectionGetter(list, 0);
  char prefix[40] = "Change ";
  int length = 7;
  if (index < 0) prefix[length++] = '-';
  length += Digits(index < 0 ? -index : index, prefix + length);
  prefix[length++] = ' ';
  prefix[length++] = (char)('0' + (listGetSelected(list, index) != 0));
  prefix[length++] = ' ';
  prefix[length] = 0;
  QVString head = StringFromCString(prefix);
  QVSayText(head, listTextGetter(list, 0));
  RuntimeUnlockString(head);
}

static int32_t OnKeyDown(QVObject* list, QVString key) {
  (void)list, (void)key;
  QV_ApplicationQuit(0);
  return 1;
}

static void OnLayout(QVObject* window) { QVPlaceWindow(window, 0, 0, 480, 380, QV_STR("Lists")); }

static void OnCreateControls(QVObject* window) {
  gList = RuntimeNewObject(gListClass);
  QVPlaceControl(gList, 30, 40, 400, 300);
  listColumnCountSetter(gList, 0, 4);
  listHasHeadingSetter(gList, 0, 1);
  listColumnWidthsSetter(gList, 0, QV_STR("50, 25%, *, 2*"));
  WindowAddControl(window, QV_STR("List"), gList);
}

QV_ENTRY {
  QVStartApplication();

  gListClass = QVSubclass(QV_STR("Listbox"), QV_STR("AppList"));
  QVSetHandler(gListClass, "CellClick", (void*)OnCellClick);
  QVSetHandler(gListClass, "Change", (void*)OnChange);
  QVSetHandler(gListClass, "KeyDown", (void*)OnKeyDown);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("ListWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Open", (void*)OnWindowOpen);
  QVSetHandler(windowClass, "Activate", (void*)QVSayFirstActivate);
  QVSetHandler(windowClass, "KeyDown", (void*)OnKeyDown);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeUnlockObject(gList);
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
}
