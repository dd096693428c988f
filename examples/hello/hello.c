/* The sample application: what a compiled program does at start, in miniature. It brings the
 * framework up through the exported start-up calls, uses the C library and libm through
 * shared-library records, keeps state in its own data block, and says what it did. */
#include "qvapp.h"

int printf(const char* format, ...);
int puts(const char* text);
double cos(double x);
QV_SHARED_FUNCTION(printf, "libc.so.6");
QV_SHARED_FUNCTION(puts, "libc.so.6");
QV_SHARED_FUNCTION(cos, "libm.so.6");

static int32_t greetings = 0;

static void Greet(const char* who) {
  greetings += 1;
  printf("Hello, %s! (greeting %d)\n", who, (int)greetings);
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
  RuntimeRun();
  puts("Entry returns; the framework now runs its shutdown tasks and exits.");
}
