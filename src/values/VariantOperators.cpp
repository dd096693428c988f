#include "values/VariantOperators.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/Int64Arithmetic.h"
#include "core/NumericConversions.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "values/VariantConversions.h"
#include "values/VariantTypes.h"

namespace {

// Row (and column) of each type code in the result table; -1 for codes without one.
constexpr int8_t kTypeIndex[kVarTypeLargest + 1] = {-1, 0,  1, 2,  3,  4,  5,  6,  7,
                                                    8,  -1, 9, -1, -1, -1, -1, 10, 11};

// Lower-triangular: the entry for indices i and j is [max(i, j)][min(i, j)]. Rows and columns
// are the type codes 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 16, 17; -1 is no common type.
constexpr int8_t kResultTable[12][12] = {
    {0},
    {0, 2},
    {0, 3, 3},
    {0, 5, 5, 4},
    {0, 5, 5, 5, 5},
    {0, 6, 6, 6, 5, 6},
    {0, 3, 3, 5, 5, -1, 7},
    {0, 8, 8, 8, 8, 8, 8, 8},
    {0, -1, -1, -1, -1, -1, 9, -1, 9},
    {0, 2, 3, 4, 5, -1, -1, 8, -1, 11},
    {0, 2, 3, 4, 5, -1, -1, 8, -1, 16, 16},
    {0, 2, 3, 4, 5, 6, 3, 8, -1, 17, 16, 17},
};

// How each operator's column of the operator table treats an operating type.
enum class Column { Int32, Int64, Single, Double, Currency, String, Other, Invalid };

Column ColumnOf(int32_t operatingType) {
  switch (operatingType) {
    case kVarTypeInt32:
      return Column::Int32;
    case kVarTypeInt64:
      return Column::Int64;
    case kVarTypeSingle:
      return Column::Single;
    case kVarTypeDouble:
      return Column::Double;
    case kVarTypeCurrency:
      return Column::Currency;
    case kVarTypeString:
      return Column::String;
    case kNoOperatingType:
      return Column::Invalid;
    default:
      return Column::Other;
  }
}

template <typename T>
using Reader = bool (*)(RuntimeObject*, T*);

// Both operands in one type; a conversion that does not apply raises TypeMismatchException.
template <typename T>
bool ReadOperands(RuntimeObject* a, RuntimeObject* b, Reader<T> read, T* x, T* y) {
  if (read(a, x) && read(b, y)) return true;
  RaiseTypeMismatchException();
  return false;
}

// The operator's own result of x and y, boxed by box.
template <typename T, typename Result, typename Operation>
RuntimeObject* Apply(RuntimeObject* a, RuntimeObject* b, Reader<T> read, Operation operation,
                     RuntimeObject* (*box)(Result)) {
  T x{}, y{};
  if (!ReadOperands(a, b, read, &x, &y)) return nullptr;
  return box(operation(x, y));
}

RuntimeObject* TypeMismatch() {
  RaiseTypeMismatchException();
  return nullptr;
}

RuntimeObject* RaiseRuntimeException(const char* message) {
  RaiseNewExceptionWithMessage(RuntimeExceptionDefinition(), string(message).Storage(), 0);
  return nullptr;
}
RuntimeObject* DivisionByZero() { return RaiseRuntimeException("Division by zero"); }
RuntimeObject* DivisionOverflow() {
  return RaiseRuntimeException("Integer division overflow: the quotient does not fit");
}

// Nil operands of arithmetic raise NilObjectException.
bool OperandsPresent(RuntimeObject* a, RuntimeObject* b) {
  if (a && b) return true;
  RaiseNilObjectException();
  return false;
}

// Two's-complement arithmetic that wraps instead of overflowing.
template <typename T>
T Wrapped(T x, T y, char operation) {
  using U = std::make_unsigned_t<T>;
  const U ux = static_cast<U>(x), uy = static_cast<U>(y);
  switch (operation) {
    case '+':
      return static_cast<T>(static_cast<U>(ux + uy));
    case '-':
      return static_cast<T>(static_cast<U>(ux - uy));
    default:
      return static_cast<T>(static_cast<U>(ux * uy));
  }
}

template <typename T>
RuntimeObject* IntegerQuotient(RuntimeObject* a, RuntimeObject* b, Reader<T> read,
                               RuntimeObject* (*box)(T)) {
  T x{}, y{};
  if (!ReadOperands(a, b, read, &x, &y)) return nullptr;
  if (y == 0) return DivisionByZero();
  if (x == std::numeric_limits<T>::min() && y == -1) return DivisionOverflow();
  return box(x / y);
}

template <typename T>
RuntimeObject* IntegerRemainder(RuntimeObject* a, RuntimeObject* b, Reader<T> read,
                                RuntimeObject* (*box)(T)) {
  T x{}, y{};
  if (!ReadOperands(a, b, read, &x, &y)) return nullptr;
  if (y == 0) return DivisionByZero();
  if (y == -1) return box(0);  // the hardware traps on the most negative value
  return box(x % y);
}

RuntimeObject* Concatenation(RuntimeObject* a, RuntimeObject* b) {
  string x, y;
  if (!ReadOperands(a, b, TryVariantToString, &x, &y)) return nullptr;
  return StringToVariant((x + y).Storage());
}

template <char kOperation>
RuntimeObject* ArithmeticByColumn(RuntimeObject* a, RuntimeObject* b, Column column);

// Both operands in the same box of a column's own type: their conversion methods would answer
// their fields, so the fields are read without finding the operating type or the methods.
template <typename T>
bool ReadSameBoxes(RuntimeObject* a, RuntimeObject* b, RuntimeClass* box, T* x, T* y) {
  if (a->classPtr != box || b->classPtr != box || !box) return false;
  *x = BoxedValueOf<T>(a);
  *y = BoxedValueOf<T>(b);
  return true;
}

// +, - or * in the operating type's own arithmetic; Single and Double through double.
template <char kOperation>
RuntimeObject* Arithmetic(RuntimeObject* a, RuntimeObject* b) {
  if (!OperandsPresent(a, b)) return nullptr;
  static RuntimeClass* const int32Box = VariantInt32Class();
  static RuntimeClass* const doubleBox = VariantDoubleClass();
  int32_t i = 0, j = 0;
  if (ReadSameBoxes(a, b, int32Box, &i, &j)) return Int32ToVariant(Wrapped(i, j, kOperation));
  double x = 0, y = 0;
  if (ReadSameBoxes(a, b, doubleBox, &x, &y)) {
    return DoubleToVariant(kOperation == '+' ? x + y : kOperation == '-' ? x - y : x * y);
  }
  return ArithmeticByColumn<kOperation>(a, b, ColumnOf(OperatingType(a, b)));
}

template <char kOperation>
RuntimeObject* ArithmeticByColumn(RuntimeObject* a, RuntimeObject* b, Column column) {
  auto floating = [](double x, double y) {
    return kOperation == '+' ? x + y : kOperation == '-' ? x - y : x * y;
  };
  switch (column) {
    case Column::Int32:
      return Apply<int32_t>(
          a, b, TryVariantToInt32, [](int32_t x, int32_t y) { return Wrapped(x, y, kOperation); },
          Int32ToVariant);
    case Column::Int64:
      return Apply<int64_t>(
          a, b, TryVariantToInt64, [](int64_t x, int64_t y) { return Wrapped(x, y, kOperation); },
          Int64ToVariant);
    case Column::Single:
      return Apply<float>(
          a, b, TryVariantToSingle,
          [&](float x, float y) { return static_cast<float>(floating(x, y)); }, SingleToVariant);
    case Column::Currency:
      return Apply<Currency>(
          a, b, TryVariantToCurrency,
          [](Currency x, Currency y) {
            return kOperation == '*' ? RuntimeMulCurrency(x, y) : Wrapped(x, y, kOperation);
          },
          CurrencyToVariant);
    case Column::Invalid:
      return nullptr;
    case Column::String:
      if (kOperation == '+') return Concatenation(a, b);
      break;
    case Column::Other:
      if (kOperation == '+') return TypeMismatch();
      break;
    case Column::Double:
      break;
  }
  return Apply<double>(a, b, TryVariantToDouble, floating, DoubleToVariant);
}

double Power(double x, double y) { return std::pow(x, y); }

}  // namespace

int32_t ResultTypeOfCodes(int32_t a, int32_t b) {
  if (a == b) return a;
  if (!QV_CHECK_TEXT(a >= 0 && a <= kVarTypeLargest, "a >= 0 && a <= 17", nullptr) ||
      !QV_CHECK_TEXT(b >= 0 && b <= kVarTypeLargest, "b >= 0 && b <= 17", nullptr)) {
    return kNoOperatingType;
  }
  const int32_t i = kTypeIndex[a], j = kTypeIndex[b];
  if (!QV_CHECK_TEXT(i >= 0 && i <= 11, "aindex >= 0 && aindex <= 11", nullptr) ||
      !QV_CHECK_TEXT(j >= 0 && j <= 11, "bindex >= 0 && bindex <= 11", nullptr)) {
    return kNoOperatingType;
  }
  return i > j ? kResultTable[i][j] : kResultTable[j][i];
}

int32_t OperatingType(RuntimeObject* a, RuntimeObject* b) {
  if (!a || !b) return kVarTypeNil;
  return ResultTypeOfCodes(VarType(a), VarType(b));
}

extern "C" {

RuntimeObject* VariantAdd(RuntimeObject* a, RuntimeObject* b) { return Arithmetic<'+'>(a, b); }
QV_EXPORT(VariantAdd)

RuntimeObject* VariantSubtract(RuntimeObject* a, RuntimeObject* b) { return Arithmetic<'-'>(a, b); }
QV_EXPORT(VariantSubtract)

RuntimeObject* VariantMultiply(RuntimeObject* a, RuntimeObject* b) { return Arithmetic<'*'>(a, b); }
QV_EXPORT(VariantMultiply)

// A Double quotient in every column but Currency's; a Currency divisor of 0 raises, as an
// integer one does, rather than answer 0.
RuntimeObject* VariantDivide(RuntimeObject* a, RuntimeObject* b) {
  if (!OperandsPresent(a, b)) return nullptr;
  const Column column = ColumnOf(OperatingType(a, b));
  if (column == Column::Invalid) return nullptr;
  if (column != Column::Currency) {
    return Apply<double>(
        a, b, TryVariantToDouble, [](double x, double y) { return x / y; }, DoubleToVariant);
  }
  Currency x = 0, y = 0;
  if (!ReadOperands(a, b, TryVariantToCurrency, &x, &y)) return nullptr;
  if (y == 0) return DivisionByZero();
  return CurrencyToVariant(RuntimeDivCurrency(x, y));
}
QV_EXPORT(VariantDivide)

// Int64 and Currency work on Int64 values (Currency's whole units); every other column on
// Int32 values.
RuntimeObject* VariantIntegerDivide(RuntimeObject* a, RuntimeObject* b) {
  if (!OperandsPresent(a, b)) return nullptr;
  switch (ColumnOf(OperatingType(a, b))) {
    case Column::Invalid:
      return nullptr;
    case Column::Int64:
    case Column::Currency:
      return IntegerQuotient<int64_t>(a, b, TryVariantToInt64, Int64ToVariant);
    default:
      return IntegerQuotient<int32_t>(a, b, TryVariantToInt32, Int32ToVariant);
  }
}
QV_EXPORT(VariantIntegerDivide)

// The remainder has the sign of the dividend: -7 mod 2 is -1.
RuntimeObject* VariantModulo(RuntimeObject* a, RuntimeObject* b) {
  if (!OperandsPresent(a, b)) return nullptr;
  switch (ColumnOf(OperatingType(a, b))) {
    case Column::Invalid:
      return nullptr;
    case Column::Int64:
      return IntegerRemainder<int64_t>(a, b, TryVariantToInt64, Int64ToVariant);
    default:
      return IntegerRemainder<int32_t>(a, b, TryVariantToInt32, Int32ToVariant);
  }
}
QV_EXPORT(VariantModulo)

// pow in Double; the integer columns truncate toward zero.
RuntimeObject* VariantPower(RuntimeObject* a, RuntimeObject* b) {
  if (!OperandsPresent(a, b)) return nullptr;
  switch (ColumnOf(OperatingType(a, b))) {
    case Column::Invalid:
      return nullptr;
    case Column::Int32:
      return Apply<double>(
          a, b, TryVariantToDouble,
          [](double x, double y) { return RuntimeCvtReal64ToSInt32(Power(x, y)); }, Int32ToVariant);
    case Column::Int64:
      return Apply<double>(
          a, b, TryVariantToDouble,
          [](double x, double y) { return RuntimeCvtReal64ToSInt64(Power(x, y)); }, Int64ToVariant);
    case Column::Single:
      return Apply<double>(
          a, b, TryVariantToDouble,
          [](double x, double y) { return static_cast<float>(Power(x, y)); }, SingleToVariant);
    case Column::Double:
      return Apply<double>(a, b, TryVariantToDouble, Power, DoubleToVariant);
    default:
      return TypeMismatch();
  }
}
QV_EXPORT(VariantPower)

RuntimeObject* VariantAddRight(RuntimeObject* a, RuntimeObject* b) { return VariantAdd(b, a); }
QV_EXPORT(VariantAddRight)
RuntimeObject* VariantSubtractRight(RuntimeObject* a, RuntimeObject* b) {
  return VariantSubtract(b, a);
}
QV_EXPORT(VariantSubtractRight)
RuntimeObject* VariantDivideRight(RuntimeObject* a, RuntimeObject* b) {
  return VariantDivide(b, a);
}
QV_EXPORT(VariantDivideRight)
RuntimeObject* VariantIntegerDivideRight(RuntimeObject* a, RuntimeObject* b) {
  return VariantIntegerDivide(b, a);
}
QV_EXPORT(VariantIntegerDivideRight)
RuntimeObject* VariantModuloRight(RuntimeObject* a, RuntimeObject* b) {
  return VariantModulo(b, a);
}
QV_EXPORT(VariantModuloRight)
RuntimeObject* VariantPowerRight(RuntimeObject* a, RuntimeObject* b) { return VariantPower(b, a); }
QV_EXPORT(VariantPowerRight)

RuntimeObject* VariantAnd(RuntimeObject* a, RuntimeObject* b) {
  bool x = false, y = false;
  if (!TryVariantToBoolean(a, &x)) return TypeMismatch();
  if (x && !TryVariantToBoolean(b, &y)) return TypeMismatch();
  return BooleanToVariant(x && y);
}
QV_EXPORT(VariantAnd)

RuntimeObject* VariantOr(RuntimeObject* a, RuntimeObject* b) {
  bool x = false, y = false;
  if (!TryVariantToBoolean(a, &x)) return TypeMismatch();
  if (!x && !TryVariantToBoolean(b, &y)) return TypeMismatch();
  return BooleanToVariant(x || y);
}
QV_EXPORT(VariantOr)

RuntimeObject* VariantNot(RuntimeObject* a) {
  bool x = false;
  if (!TryVariantToBoolean(a, &x)) return TypeMismatch();
  return BooleanToVariant(!x);
}
QV_EXPORT(VariantNot)

RuntimeObject* VariantNegate(RuntimeObject* a) {
  switch (VarType(a)) {
    case kVarTypeInt64: {
      int64_t x = 0;
      if (!TryVariantToInt64(a, &x)) return TypeMismatch();
      return Int64ToVariant(Wrapped<int64_t>(0, x, '-'));
    }
    case kVarTypeCurrency: {
      Currency x = 0;
      if (!TryVariantToCurrency(a, &x)) return TypeMismatch();
      return CurrencyToVariant(Wrapped<Currency>(0, x, '-'));
    }
    default: {
      double x = 0;
      if (!TryVariantToDouble(a, &x)) return TypeMismatch();
      return DoubleToVariant(-x);
    }
  }
}
QV_EXPORT(VariantNegate)

}  // extern "C"
