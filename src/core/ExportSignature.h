// Export signatures: how compiled code calls an exported function, as one short text derived by
// templates from the function's C++ type. The first letter is the result, then the arguments
// in parentheses, one letter each:
//
//   v  no result
//   i  one 32-bit word: an integer of 32 bits or fewer, a pointer, a Boolean as a full word
//   l  a 64-bit integer: two argument words, or the result in EDX:EAX
//   f  a Single: one argument word, or the result in st(0)
//   d  a Double: two argument words, or the result in st(0)
//   *  (last) further arguments, each a 32-bit word, as CreateArray takes its bounds
//
// so `int64_t runCLong(stringStorage*)` is "l(i)". Types that do not travel as plain words are
// refused at compile time: a C++ bool (only its low byte is set), a result narrower than 32
// bits (its high bits are left undefined), records by value and long double.
//
// Rows that name exports (class definitions, the global-function table) declare language types;
// the same text built from those types must agree with the function's (see
// DeclaredSignatureAgrees): a row that disagrees corrupts its caller silently.
#pragma once

#include <cstdint>
#include <type_traits>

// One recorded signature per export, in a section of its own beside the export table.
struct ExportSignature {
  const char* name;       // the export name
  const char* signature;  // e.g. "l(i)"
};

template <typename>
inline constexpr bool kNotAnExportType = false;

template <typename T>
consteval char ExportArgumentLetter() {
  using U = std::remove_cv_t<T>;
  static_assert(!std::is_same_v<U, bool>, "a Boolean travels as a full 32-bit word: int32_t");
  if constexpr (std::is_same_v<U, float>) {
    return 'f';
  } else if constexpr (std::is_same_v<U, double>) {
    return 'd';
  } else if constexpr (std::is_pointer_v<U> || std::is_reference_v<U> ||
                       std::is_null_pointer_v<U>) {
    return 'i';
  } else if constexpr ((std::is_integral_v<U> || std::is_enum_v<U>) && sizeof(U) <= 4) {
    return 'i';
  } else if constexpr ((std::is_integral_v<U> || std::is_enum_v<U>) && sizeof(U) == 8) {
    return 'l';
  } else {
    static_assert(kNotAnExportType<U>,
                  "exports take and return 32-bit words, 64-bit integers, Single or Double; "
                  "records travel by pointer");
    return '?';
  }
}

template <typename T>
consteval char ExportResultLetter() {
  if constexpr (std::is_void_v<T>) {
    return 'v';
  } else {
    static_assert(sizeof(T) >= 4, "a result narrower than 32 bits leaves the high bits of EAX undefined");
    return ExportArgumentLetter<T>();
  }
}

template <typename Function>
struct ExportSignatureOf {
  static_assert(kNotAnExportType<Function>, "an export is a plain function");
};
template <typename Result, typename... Arguments>
struct ExportSignatureOf<Result (*)(Arguments...)> {
  static constexpr char text[] = {ExportResultLetter<Result>(), '(',
                                  ExportArgumentLetter<Arguments>()..., ')', '\0'};
};
template <typename Result, typename... Arguments>
struct ExportSignatureOf<Result (*)(Arguments...) noexcept>
    : ExportSignatureOf<Result (*)(Arguments...)> {};
template <typename Result, typename... Arguments>
struct ExportSignatureOf<Result (*)(Arguments..., ...)> {
  static constexpr char text[] = {ExportResultLetter<Result>(), '(',
                                  ExportArgumentLetter<Arguments>()..., '*', ')', '\0'};
};

// A signature built from declared language types, letter by letter (see DeclaredSignature in
// LanguageTypes.h). Long enough for a result and 40 arguments.
struct SignatureText {
  char text[44] = {};
  int32_t length = 0;

  constexpr SignatureText& Append(char letter) {
    if (length < int32_t(sizeof text) - 1) text[length++] = letter;
    return *this;
  }
};

// True when a recorded signature and a declared one call the same way. Single and Double
// results both arrive in st(0), so they agree; arguments must match letter for letter.
constexpr bool DeclaredSignatureAgrees(const char* recorded, const SignatureText& declared) {
  if (!recorded) return false;
  int32_t i = 0;
  for (; recorded[i] && i < declared.length; ++i) {
    const char a = recorded[i], b = declared.text[i];
    const bool floating = i == 0 && (a == 'f' || a == 'd') && (b == 'f' || b == 'd');
    if (a != b && !floating) return false;
  }
  return !recorded[i] && i == declared.length;
}

// The signatures as the linker gathered them, and the one recorded for an export name (case
// ignored, as images link), or nil.
const ExportSignature* StaticExportSignaturesBegin();
const ExportSignature* StaticExportSignaturesEnd();
const char* FindExportSignature(const char* name);
