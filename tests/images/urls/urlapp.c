/* ShowURL from compiled code, a console application: opens one URL full of what a shell would
 * read as commands, then prints "returned" at once, without waiting for the browser. */
#include "qvapp.h"

void RuntimeRegisterConsoleAppObject(QVObject* object, int32_t service);
void GlobalShowURL(QVString url);

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  RuntimeRegisterConsoleAppObject(0, 0);
  GlobalShowURL(QV_STR("http://example.com/a b?q=\"x\"&y=$HOME;`touch marker`$(touch marker)"));
  RuntimeConsolePrint(QV_STR("returned"));
}
