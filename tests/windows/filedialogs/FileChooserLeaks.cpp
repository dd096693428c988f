// Leak reports this binary leaves out, on top of tests/support/lsan.supp.
//
// GTK 2's file chooser leaks the completion strings its location entry builds while a path is
// typed (its own static functions, called from GIO's folder loading and from the entry's
// completion); whether a run shows them depends on when the folder listing arrives. This binary
// alone drives the chooser, so the toolkit's leaks are left out here only; the framework's own
// allocations have no GTK frame and are still reported. GLib is built without frame pointers,
// so the quick unwinder stops at g_malloc and would never see the GTK frame: allocations are
// traced with the full unwinder in this binary.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
  return "fast_unwind_on_malloc=0";
}

extern "C" __attribute__((visibility("default"), used)) const char*
__lsan_default_suppressions() {
  return "leak:libgtk-x11-2.0.so\n";
}
