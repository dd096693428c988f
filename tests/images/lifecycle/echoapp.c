/* The console application: echoes standard input to standard output line by line until the end
 * of input, then says so on standard error and in a Print. QVTEST_MODE picks the variant:
 *   (unset)  echo as above
 *   flood    first writes QVTEST_LINES numbered lines, then echoes
 *   lengths  writes each line's length instead of the line
 *   grow     builds a text of 2^QVTEST_LINES bytes and replaces each pair of its bytes with
 *            three, which needs far more memory for the list of matches than for the text */
#include "qvapp.h"

char* getenv(const char* name);
int atoi(const char* text);
QV_SHARED_FUNCTION(getenv, "libc.so.6");
QV_SHARED_FUNCTION(atoi, "libc.so.6");

void RuntimeRegisterConsoleAppObject(QVObject* object, int32_t service);
QVObject* RuntimeGetStdIn(void);
QVObject* RuntimeGetStdOut(void);
QVObject* RuntimeGetStdErr(void);
QVString RuntimeStdInputReadLine(QVObject* stream);
int32_t RuntimeStdInputEof(QVObject* stream);
int32_t RuntimeStdInputError(QVObject* stream);
void RuntimeStdOutputStreamWriteLine(QVObject* stream, QVString text);
QVString StringStrInt32(int32_t value);
QVString StringReplaceAll(QVString source, QVString find, QVString replacement);
int32_t StringLen(QVString text);

static void Flood(QVObject* out, int32_t lines) {
  for (int32_t i = 1; i <= lines; ++i) {
    QVString number = StringStrInt32(i);
    QVString line = RuntimeAddString(QV_STR("line "), number);
    RuntimeStdOutputStreamWriteLine(out, line);
    RuntimeUnlockString(line);
    RuntimeUnlockString(number);
  }
}

static void Grow(QVObject* out, int32_t doublings) {
  QVString text = RuntimeAddString(QV_STR("x"), 0);
  for (int32_t i = 0; i < doublings; ++i) {
    QVString longer = RuntimeAddString(text, text);
    RuntimeUnlockString(text);
    text = longer;
  }
  QVString replaced = StringReplaceAll(text, QV_STR("xx"), QV_STR("yyy"));
  QVString length = StringStrInt32(StringLen(replaced));
  RuntimeStdOutputStreamWriteLine(out, length);
  RuntimeUnlockString(length);
  RuntimeUnlockString(replaced);
  RuntimeUnlockString(text);
}

/* The line, or in mode lengths its length. */
static QVString Echo(const char* mode, QVString line) {
  if (!mode || mode[0] != 'l') return RuntimeAddString(line, 0);
  return StringStrInt32(StringLen(line));
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  RuntimeRegisterConsoleAppObject(0, 0);
  QVObject* in = RuntimeGetStdIn();
  QVObject* out = RuntimeGetStdOut();
  QVObject* err = RuntimeGetStdErr();
  const char* mode = getenv("QVTEST_MODE");
  if (mode && mode[0] == 'f') Flood(out, atoi(getenv("QVTEST_LINES")));
  if (mode && mode[0] == 'g') Grow(out, atoi(getenv("QVTEST_LINES")));
  int32_t lines = 0;
  while (!RuntimeStdInputEof(in)) {
    QVString line = RuntimeStdInputReadLine(in);
    QVString echo = Echo(mode, line);
    RuntimeStdOutputStreamWriteLine(out, echo);
    RuntimeUnlockString(echo);
    RuntimeUnlockString(line);
    ++lines;
  }
  QVString count = StringStrInt32(lines);
  QVString summary = RuntimeAddString(QV_STR("end of input after "), count);
  RuntimeStdOutputStreamWriteLine(err, summary);
  RuntimeConsolePrint(RuntimeStdInputError(in) ? QV_STR("read error") : QV_STR("EOF"));
  RuntimeUnlockString(summary);
  RuntimeUnlockString(count);
  RuntimeUnlockObject(err);
  RuntimeUnlockObject(out);
  RuntimeUnlockObject(in);
}
