/* The console sample: a program without windows that reads its standard input line by line
 * through StandardInputStream, writes each line numbered, with its length in characters, to
 * standard output, and a summary to standard error when the input ends. */
#include "qvapp.h"

void RuntimeRegisterConsoleAppObject(QVObject* object, int32_t service);
QVObject* RuntimeGetStdIn(void);
QVObject* RuntimeGetStdErr(void);
QVString RuntimeStdInputReadLine(QVObject* stream);
int32_t RuntimeStdInputEof(QVObject* stream);
void RuntimeStdOutputStreamWriteLine(QVObject* stream, QVString text);
void RuntimeConsolePrint(QVString text);
QVString StringStrInt32(int32_t value);
int32_t StringDBCSLen(QVString text);
QVString RuntimeAddString(QVString a, QVString b);
void RuntimeUnlockString(QVString text);
void RuntimeUnlockObject(QVObject* object);

/* parts[0] + parts[1] + ... as one new string. */
static QVString Join(QVString* parts, int count) {
  QVString text = 0;
  for (int i = 0; i < count; ++i) {
    QVString longer = RuntimeAddString(text, parts[i]);
    RuntimeUnlockString(text);
    text = longer;
  }
  return text;
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  RuntimeRegisterConsoleAppObject(0, 0);
  QVObject* in = RuntimeGetStdIn();
  int32_t lines = 0;
  while (!RuntimeStdInputEof(in)) {
    QVString line = RuntimeStdInputReadLine(in);
    QVString number = StringStrInt32(++lines);
    QVString length = StringStrInt32(StringDBCSLen(line));
    QVString parts[] = {number, QV_STR(": "), line, QV_STR(" ("), length, QV_STR(" characters)")};
    QVString text = Join(parts, 6);
    RuntimeConsolePrint(text);
    RuntimeUnlockString(text);
    RuntimeUnlockString(length);
    RuntimeUnlockString(number);
    RuntimeUnlockString(line);
  }
  QVObject* err = RuntimeGetStdErr();
  QVString count = StringStrInt32(lines);
  QVString parts[] = {QV_STR("read "), count, QV_STR(" lines")};
  QVString summary = Join(parts, 3);
  RuntimeStdOutputStreamWriteLine(err, summary);
  RuntimeUnlockString(summary);
  RuntimeUnlockString(count);
  RuntimeUnlockObject(err);
  RuntimeUnlockObject(in);
}
