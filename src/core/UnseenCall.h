// Calls that the compiler does not see, for an exported function that a loop calls for every
// character or pixel.
//
// Compiled code calls the framework with the stack aligned to 4 bytes only, so a function that
// calls anything first aligns its own frame to 16 (and sets up the register that reaches the
// framework's data), and the compiler never turns its last call into a jump. For a function
// whose common case is a few loads and stores that entry and exit cost more than the work. A
// function that makes its rare calls through QV_UNSEEN_CALL is a leaf to the compiler: no
// alignment and no saved registers on the common way. The callee, built like all of the
// framework for a 4-byte-aligned entry, aligns its own frame; the caller keeps its frame
// pointer, so walks over saved frame pointers pass through it as through any call.
//
// The callee is an extern "C" function of the framework taking 32-bit words (cdecl) and
// answering one word (or nothing) in EAX; it must not be inline or static, since the only
// reference to it is in the assembly. Caller and callee hold no floating-point values across
// the call. Sanitizer builds instrument the caller with calls of their own: there the caller
// aligns its frame as any other, and this call works the same.
#pragma once

#include <cstdint>
#include <type_traits>

// Registers that a callee may change beyond ECX and EDX; the build uses no vector registers
// unless asked to.
#if defined(__SSE__)
#define QV_UNSEEN_CALL_CLOBBERS "ecx", "edx", "memory", "cc", "xmm0", "xmm1", "xmm2", "xmm3", \
                                "xmm4", "xmm5", "xmm6", "xmm7"
#else
#define QV_UNSEEN_CALL_CLOBBERS "ecx", "edx", "memory", "cc"
#endif

namespace unseen_call {

template <typename T>
inline uint32_t Word(T value) {
  static_assert(sizeof(T) <= 4 && (std::is_integral_v<T> || std::is_pointer_v<T>));
  if constexpr (std::is_pointer_v<T>)
    return uint32_t(reinterpret_cast<uintptr_t>(value));
  else
    return uint32_t(value);
}

}  // namespace unseen_call

// The word that function(arguments) answers (any word when it answers nothing): pushes, the
// assembly that pushes the arguments last to first from operands %1 on, and the bytes they take.
// ECX and EDX are the callee's to change; every other register survives the call, as the
// convention says.
#define QV_UNSEEN_CALL(function, pushes, bytes, ...)                                         \
  __extension__({                                                                            \
    uint32_t qvResult;                                                                       \
    asm volatile(pushes "call " #function "\n\tadd $" #bytes ", %%esp"                       \
                 : "=a"(qvResult)                                                            \
                 : __VA_ARGS__                                                               \
                 : QV_UNSEEN_CALL_CLOBBERS);                                                 \
    qvResult;                                                                                \
  })

#define QV_UNSEEN_CALL1(function, a) \
  QV_UNSEEN_CALL(function, "push %1\n\t", 4, "r"(unseen_call::Word(a)))
#define QV_UNSEEN_CALL3(function, a, b, c)                                           \
  QV_UNSEEN_CALL(function, "push %3\n\tpush %2\n\tpush %1\n\t", 12,                  \
                 "r"(unseen_call::Word(a)), "r"(unseen_call::Word(b)), "r"(unseen_call::Word(c)))
#define QV_UNSEEN_CALL4(function, a, b, c, d)                                              \
  QV_UNSEEN_CALL(function, "push %4\n\tpush %3\n\tpush %2\n\tpush %1\n\t", 16,           \
                 "r"(unseen_call::Word(a)), "r"(unseen_call::Word(b)), "r"(unseen_call::Word(c)), \
                 "r"(unseen_call::Word(d)))
