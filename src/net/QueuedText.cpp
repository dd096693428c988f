#include "net/QueuedText.h"

#include <algorithm>

string QueuedText(MemoryManager& queue, int32_t count, bool take) {
  const int32_t n = std::min(count, queue.Total());
  string text;
  if (n <= 0 || !text.AllocateBuffer(n)) return string();
  queue.Read(static_cast<char*>(text), n, take);
  return text;
}
