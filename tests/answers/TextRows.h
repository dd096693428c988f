// The calls of the text and numbers areas, read from the registries: the global-function rows,
// the property and method rows of the value classes, and a typed list of the exports compiled
// code calls directly for operators, conversions and boxing. A row says what each argument and the
// result is (a Kind), so that its inputs come from tables by kind and its answer is read back
// the same way; an export added to those rows gets its lines by itself.
//
// A row that takes or gives text or numbers but has no lines says why (a side effect that has
// no place in a table, a type without an input table, an object of another area).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "answers/Answers.h"

struct RuntimeObject;

namespace answers {

enum class Kind : uint8_t {
  kNone,  // no value: a Sub's result
  kString,
  kInt32,
  kUInt32,
  kInt64,
  kUInt64,
  kInt16,
  kUInt16,
  kInt8,
  kUInt8,
  kBoolean,
  kColor,
  kSingle,
  kDouble,
  kCurrency,
  kTextEncoding,
  kTextConverter,
  kEncodings,  // the Encodings module object
  kEndOfLine,
  kDate,
  kVariant,  // also Object parameters: every variant is an object
  kStringArray,
  kCString,  // a text's bytes up to its NUL, by address
  kPString,  // a text's length byte and bytes, by address
  kDoubleArray,
  kUInt64Array,
  kOther,  // no input table and no reading: the row has no lines
};

bool IsText(Kind kind);    // String, String arrays, C and Pascal strings
bool IsNumber(Kind kind);  // the integer and floating kinds, Boolean, Color, Currency
bool IsObject(Kind kind);  // the made objects

struct CallRow {
  std::string name;  // "Mid", "Date.Year", "Date.Year=" for the setter
  std::string exportName;
  Kind result = Kind::kNone;
  Kind self = Kind::kNone;  // the object of a class member
  std::string selfClass;    // its class, which picks the objects it is called on
  bool hasWord = false;     // an accessor: the property's word follows the object
  uint32_t word = 0;
  bool setter = false;  // the answer is the object's state after the call
  std::vector<Kind> parameters;
  std::vector<bool> byRef;  // a ByRef object parameter is an output
  std::string without;      // why the row has no lines; empty when it has
};

// The reason of a class that the walk did not find.
extern const char* const kClassNotFound;

// Every row of the global-function table and of the value classes that takes or gives text or
// numbers, each export (with its property word) once, in table order.
const std::vector<CallRow>& TextAndNumberRows();

// --- Reading values ---------------------------------------------------------------------------

// The value a call gave back, as the row's result kind reads it; releases what it owned.
// approximate: floating results in 12 significant digits (the x87 transcendental instructions
// differ between processors and the emulator in the last bits).
std::string TakeResult(Kind kind, const CallResult& result, bool approximate);
// An object input or result: nil, a Variant's boxed value, a Date's date and time, an
// encoding's code and attributes.
std::string DescribeObject(const RuntimeObject* object, bool approximate = false);
std::string DescribeCurrency(int64_t value);
std::string ApproximateNumber(double value);

}  // namespace answers
