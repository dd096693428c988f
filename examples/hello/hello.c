/* The sample application: what a compiled program does at start, in miniature. It brings the
 * framework up through the exported start-up calls, uses the C library and libm through
 * shared-library records, keeps state in its own data block, builds text with Format and Str,
 * asks a question in a message box, and says what it did. */
#include "qvapp.h"

int printf(const char* format, ...);
int puts(const char* text);
double cos(double x);
QV_SHARED_FUNCTION(printf, "libc.so.6");
QV_SHARED_FUNCTION(puts, "libc.so.6");
QV_SHARED_FUNCTION(cos, "libm.so.6");

/* Framework functions, linked by name; every string they answer carries a reference for us. */
QVString StringFormat(double value, QVString format);
QVString StringStrDouble(double value);
QVString RuntimeAddString(QVString a, QVString b);
QVString RuntimeEndOfLine(void* self);
void RuntimeUnlockString(QVString s);
int32_t VB_RuntimeMsgBox(QVString message, int32_t style, QVString title);

static int32_t greetings = 0;

static void Greet(const char* who) {
  greetings += 1;
  printf("Hello, %s! (greeting %d)\n", who, (int)greetings);
}

/* "The total is 1,234.50 (Str gives 1234.5)", a line end, "Keep it?": Yes/No, No the default.
 * Without a display the box writes its text to standard error and answers its default. */
static int32_t AskAboutTotal(double total) {
  QVString amount = StringFormat(total, QV_STR("#,##0.00"));
  QVString plain = StringStrDouble(total);
  QVString parts[5];
  parts[0] = RuntimeAddString(QV_STR("The total is "), amount);
  parts[1] = RuntimeAddString(parts[0], QV_STR(" (Str gives "));
  parts[2] = RuntimeAddString(parts[1], plain);
  parts[3] = RuntimeAddString(parts[2], QV_STR(")"));
  QVString endOfLine = RuntimeEndOfLine(0);
  parts[4] = RuntimeAddString(parts[3], endOfLine);
  QVString message = RuntimeAddString(parts[4], QV_STR("Keep it?"));
  int32_t answer = VB_RuntimeMsgBox(message, 4 + 256, QV_STR("qvruntime sample"));
  RuntimeUnlockString(message);
  RuntimeUnlockString(endOfLine);
  for (int i = 0; i < 5; ++i) RuntimeUnlockString(parts[i]);
  RuntimeUnlockString(plain);
  RuntimeUnlockString(amount);
  return answer;
}

QV_ENTRY {
  volatile double angle = 0.0;
  QVString title = QV_STR("qvruntime sample");
  RuntimeInit();
  printf("%s: an application image linked and running inside the framework.\n",
         (const char*)title->data + 1);
  Greet("world");
  Greet("image");
  printf("cos(%g) = %g, computed by libm through a linked call\n", (double)angle, cos(angle));
  int32_t answer = AskAboutTotal(1234.5);
  printf("The message box answered %d (%s).\n", (int)answer, answer == 6 ? "Yes" : "No");
  /* Quit first: the main loop then ends at once instead of waiting for events. */
  QV_ApplicationQuit(0);
  RuntimeRun();
  puts("Entry returns; the framework now runs its shutdown tasks and exits.");
}
