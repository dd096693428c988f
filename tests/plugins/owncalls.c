/* A plug-in that defines functions under names the framework also uses (intGetter, rnd) and
   calls them. Built as an ordinary shared library, its calls go through its own PLT: they
   reach its own functions unless the program exports definitions of the same names. */
int intGetter(void* object, unsigned offset) {
  (void)object;
  return 4000 + (int)offset;
}

double rnd(void) { return 0.25; }

int OwnCallsResult(void) { return intGetter(0, 2) + (rnd() == 0.25 ? 100000 : 0); }
