#include "image/UnresolvedImport.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/RuntimeError.h"

namespace {

// A stub is its code followed by the name it reports, both in the stub pages, which live as
// long as the process: push imm32 (the name); mov eax, imm32 (the reporter); call eax;
// add esp, 4; ret.
constexpr size_t kStubCodeSize = 16;
constexpr size_t kStubAlignment = 16;
constexpr size_t kStubPageSize = 4096;

struct StubPage {
  uint8_t* base = nullptr;
  size_t used = kStubPageSize;
};
StubPage gStubPage;
std::vector<uint8_t*> gStubPages;

uint8_t* TakeStubSlot(size_t size) {
  size = (size + kStubAlignment - 1) / kStubAlignment * kStubAlignment;
  if (gStubPage.used + size > kStubPageSize) {
    void* page = ::mmap(nullptr, kStubPageSize, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return nullptr;
    gStubPage = {static_cast<uint8_t*>(page), 0};
    gStubPages.push_back(gStubPage.base);
  }
  if (::mprotect(gStubPage.base, kStubPageSize, PROT_READ | PROT_WRITE) != 0) return nullptr;
  uint8_t* slot = gStubPage.base + gStubPage.used;
  gStubPage.used += size;
  return slot;
}

void PutWord(uint8_t* at, const void* word) {
  uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(word));
  std::memcpy(at, &value, 4);
}

}  // namespace

extern "C" uint64_t ReportUnresolvedImportCall(const char* name) {
  std::string message = std::string("Function '") + name + "' was called but could not be linked";
  QV_FAIL_TEXT("linkedFunction", message.c_str());
  return 0;
}

void* MakeUnresolvedImportStub(const std::string& name) {
  if (!QV_CHECK_TEXT(name.size() < kStubPageSize - kStubCodeSize, "stubName",
                     "Unresolved function name is too long"))
    return nullptr;
  uint8_t* stub = TakeStubSlot(kStubCodeSize + name.size() + 1);
  if (!QV_CHECK_TEXT(stub, "stubMemory", "No memory for an unresolved function's stub"))
    return nullptr;
  const uint8_t code[kStubCodeSize] = {0x68, 0, 0, 0, 0, 0xB8, 0, 0, 0, 0, 0xFF, 0xD0,
                                       0x83, 0xC4, 0x04, 0xC3};
  uint8_t* text = stub + kStubCodeSize;
  std::memcpy(stub, code, kStubCodeSize);
  std::memcpy(text, name.c_str(), name.size() + 1);
  PutWord(stub + 1, text);
  PutWord(stub + 6, reinterpret_cast<const void*>(&ReportUnresolvedImportCall));
  bool executable = ::mprotect(gStubPage.base, kStubPageSize, PROT_READ | PROT_EXEC) == 0;
  if (!QV_CHECK_TEXT(executable, "stubProtected",
                     "An unresolved function's stub cannot be made executable"))
    return nullptr;
  return stub;
}

void ReleaseUnresolvedImportStubs() {
  for (uint8_t* page : gStubPages) ::munmap(page, kStubPageSize);
  gStubPages.clear();
  gStubPage = StubPage();
}
