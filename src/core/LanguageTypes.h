// Language types as static rows name them: the intrinsic types by their records, a class by its
// name (resolved to the registered definition when the definition that uses it is converted,
// so rows never need a class's getter), and arrays of either. All are constants:
//
//     lang::Integer   lang::String   lang::Class<"TextEncoding">   lang::ArrayOf<lang::String>
//
// Each type also says how a value of it travels between compiled code and the framework; the
// signature a row declares (DeclaredSignature) is checked against the C++ type of the function
// the row names (ExportSignature.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ExportSignature.h"
#include "core/IntrinsicTypes.h"
#include "core/ObjectDefinition.h"

// A string literal as a template argument, for class names.
template <size_t N>
struct FixedName {
  char text[N];
  constexpr FixedName(const char (&name)[N]) {
    for (size_t i = 0; i < N; ++i) text[i] = name[i];
  }
};

namespace lang {

inline constexpr const TypeDescriptor* String = IntrinsicType(kIntrinsicString);
inline constexpr const TypeDescriptor* Integer = IntrinsicType(kIntrinsicInteger);
inline constexpr const TypeDescriptor* UInt32 = IntrinsicType(kIntrinsicUInt32);
inline constexpr const TypeDescriptor* Int64 = IntrinsicType(kIntrinsicInt64);
inline constexpr const TypeDescriptor* UInt64 = IntrinsicType(kIntrinsicUInt64);
inline constexpr const TypeDescriptor* Int16 = IntrinsicType(kIntrinsicInt16);
inline constexpr const TypeDescriptor* UInt16 = IntrinsicType(kIntrinsicUInt16);
inline constexpr const TypeDescriptor* Int8 = IntrinsicType(kIntrinsicInt8);
inline constexpr const TypeDescriptor* UInt8 = IntrinsicType(kIntrinsicUInt8);
inline constexpr const TypeDescriptor* Boolean = IntrinsicType(kIntrinsicBoolean);
inline constexpr const TypeDescriptor* Single = IntrinsicType(kIntrinsicSingle);
inline constexpr const TypeDescriptor* Double = IntrinsicType(kIntrinsicDouble);
inline constexpr const TypeDescriptor* Currency = IntrinsicType(kIntrinsicCurrency);
inline constexpr const TypeDescriptor* Form = IntrinsicType(kIntrinsicForm);
inline constexpr const TypeDescriptor* Color = IntrinsicType(kIntrinsicColor);
inline constexpr const TypeDescriptor* Ptr = IntrinsicType(kIntrinsicPtr);
inline constexpr const TypeDescriptor* WindowPtr = IntrinsicType(kIntrinsicWindowPtr);
inline constexpr const TypeDescriptor* OSType = IntrinsicType(kIntrinsicOSType);
inline constexpr const TypeDescriptor* CString = IntrinsicType(kIntrinsicCString);
inline constexpr const TypeDescriptor* PString = IntrinsicType(kIntrinsicPString);
inline constexpr const TypeDescriptor* Short = IntrinsicType(kIntrinsicShort);
// The intrinsic type "Class" (a class reference); Class<"Name"> below is a class type.
inline constexpr const TypeDescriptor* ClassReference = IntrinsicType(kIntrinsicClass);

// One record per class name, shared by every row that names it.
template <FixedName Name>
inline constexpr ClassNameType kClassNamed = {{kTypeKindClassName}, Name.text};
template <FixedName Name>
inline constexpr const TypeDescriptor* Class = AsTypeDescriptor(&kClassNamed<Name>);

// The element is named by the constant that holds its descriptor (lang::String, an ArrayOf),
// not by the descriptor's address: an intrinsic's descriptor lies inside the table of records,
// and not every compiler takes the address of a subobject as a template argument.
template <const TypeDescriptor* const& Element, int32_t Dimensions>
inline constexpr ArrayTypeDescriptor kArrayOf = {{kTypeKindArray}, Element, Dimensions};
template <const TypeDescriptor* const& Element, int32_t Dimensions = 1>
inline constexpr const TypeDescriptor* ArrayOf = AsTypeDescriptor(&kArrayOf<Element, Dimensions>);

}  // namespace lang

// How a value of the type travels (the letters of ExportSignature.h): 64-bit integers and
// Currency in two words or EDX:EAX, Single and Double as floating point, everything else (the
// other intrinsics, strings, objects, arrays) in one word. A nil type is no value.
constexpr char SignatureLetter(const TypeDescriptor* type) {
  if (!type) return 'v';
  if (type == lang::Int64 || type == lang::UInt64 || type == lang::Currency) return 'l';
  if (type == lang::Single) return 'f';
  if (type == lang::Double) return 'd';
  return 'i';
}

constexpr char ParameterLetter(const ParameterRecord& parameter) {
  return parameter.byRef ? 'i' : SignatureLetter(parameter.parameterType);
}

// (object?, parameters...) -> result: a method (with its object first) or a global function.
constexpr SignatureText DeclaredSignature(bool withObject, const TypeDescriptor* result,
                                          const ParameterRecord* parameters, int32_t count) {
  SignatureText text;
  text.Append(SignatureLetter(result)).Append('(');
  if (withObject) text.Append('i');
  for (int32_t i = 0; parameters && i < count; ++i) text.Append(ParameterLetter(parameters[i]));
  text.Append(')');
  return text;
}

// The assigning form of a method: (object, parameters..., assigned value) with no result.
constexpr SignatureText DeclaredAssignSignature(const TypeDescriptor* value,
                                                const ParameterRecord* parameters,
                                                int32_t count) {
  SignatureText text;
  text.Append('v').Append('(').Append('i');
  for (int32_t i = 0; parameters && i < count; ++i) text.Append(ParameterLetter(parameters[i]));
  text.Append(SignatureLetter(value)).Append(')');
  return text;
}

// Property accessors, called one way: getter (object, parameter), setter (object, parameter,
// value), the value in the property's own type.
constexpr SignatureText DeclaredGetterSignature(const TypeDescriptor* type) {
  SignatureText text;
  text.Append(SignatureLetter(type)).Append('(').Append('i').Append('i').Append(')');
  return text;
}
// A getter that reads the object alone, (object) -> value, is called correctly that way too:
// the caller pushes and pops both words. Functions that compiled code also calls with the
// object alone (VarType, as a global function and as the Variant property Type) take it.
constexpr SignatureText DeclaredObjectOnlyGetterSignature(const TypeDescriptor* type) {
  SignatureText text;
  text.Append(SignatureLetter(type)).Append('(').Append('i').Append(')');
  return text;
}
constexpr bool GetterSignatureAgrees(const char* recorded, const TypeDescriptor* type) {
  return DeclaredSignatureAgrees(recorded, DeclaredGetterSignature(type)) ||
         DeclaredSignatureAgrees(recorded, DeclaredObjectOnlyGetterSignature(type));
}
constexpr SignatureText DeclaredSetterSignature(const TypeDescriptor* type) {
  SignatureText text;
  text.Append('v').Append('(').Append('i').Append('i').Append(SignatureLetter(type)).Append(')');
  return text;
}

// Initializers and finalizers: (object), no result.
constexpr SignatureText DeclaredObjectHookSignature() {
  return DeclaredSignature(true, nullptr, nullptr, 0);
}
