// GLib's default main context, which GTK's iterations and modal loops run, belongs to one
// thread at a time. When a language thread is parked at a yield inside a handler that the
// context dispatched (a timer's Action that sleeps), the context still belongs to that thread;
// another language thread that then iterates the context (a message box, the runtime error
// report, the main loop's own pass) would wait inside GLib for it while holding the run baton,
// and neither could ever go on. So every iteration and modal loop first takes the context
// through this scope, which lets the other language threads run until the context is free.
#pragma once

class ScopedToolkitContext {
 public:
  ScopedToolkitContext();
  ~ScopedToolkitContext();  // gives the context back
  ScopedToolkitContext(const ScopedToolkitContext&) = delete;
  ScopedToolkitContext& operator=(const ScopedToolkitContext&) = delete;

 private:
  bool mAcquired = false;
};

// How a thread that cannot take the context yet lets the others run: the thread scheduler
// installs a short sleep of the current thread. Without one (a single thread, which always
// gets the context) the scope leaves the context to GLib's own wait.
void SetToolkitContextWait(void (*wait)());
