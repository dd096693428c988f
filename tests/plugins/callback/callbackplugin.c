/* A plug-in routine built as plug-ins are: optimised, without frame pointers. It calls back
 * into the framework with EBP holding a pointer to its own data, as GLib's closure invocation
 * does; here the data is laid out like a frame whose return address (the bait) lies just
 * before a compiled handler, the worst a frame-pointer walk could meet in foreign code.
 *
 * Answers a bit set of what the call damaged: 1 the bait record, 2 the words around it, 4 the
 * values it kept in registers and on its stack across the call; 0 when all survived. */
#include <stdint.h>

typedef int32_t (*FrameworkCallback)(void* context);

struct FrameLike {
  struct FrameLike* link;
  const void* returnAddress;
};

struct Bait {
  struct FrameLike inner;
  uint32_t words[8]; /* a handler's variable at -4 from outer would land in the last */
  struct FrameLike outer;
};

static uint32_t Pattern(int32_t seed, int i) { return (uint32_t)seed * 2654435761u + (uint32_t)i; }

__attribute__((visibility("default"))) int32_t PluginCallBack(FrameworkCallback callback,
                                                              void* context, const void* bait,
                                                              int32_t seed) {
  struct Bait record;
  record.inner.link = &record.outer;
  record.inner.returnAddress = bait;
  record.outer.link = 0;
  record.outer.returnAddress = 0;
  for (int i = 0; i < 8; ++i) record.words[i] = Pattern(seed, i);
  /* Kept across the call, in callee-saved registers or on the stack. */
  int32_t a = seed * 3 + 1, b = seed ^ 0x5a5a5a5a, c = seed * seed - 7, d = ~seed;
  __asm__ volatile("mov %[frame], %%ebp\n\t"
                   "push %[context]\n\t"
                   "call *%[callback]\n\t"
                   "add $4, %%esp"
                   :
                   : [frame] "r"(&record.inner), [context] "r"(context), [callback] "r"(callback)
                   : "eax", "ecx", "edx", "ebp", "memory");
  int32_t damage = 0;
  if (record.inner.link != &record.outer || record.inner.returnAddress != bait) damage |= 1;
  for (int i = 0; i < 8; ++i)
    if (record.words[i] != Pattern(seed, i)) damage |= 2;
  if (record.outer.link || record.outer.returnAddress) damage |= 2;
  if (a != seed * 3 + 1 || b != (seed ^ 0x5a5a5a5a) || c != seed * seed - 7 || d != ~seed)
    damage |= 4;
  return damage;
}
