// Class-definition rows: every language class of the framework is declared as a table of rows,
// from which its getter builds the class's definition on first use:
//
//     namespace {
//     using namespace lang;
//     ObjectHook* gActionHook;  // raisers look the event up with it
//
//     const PropertyRow kPushButtonProperties[] = {
//         QV_PROPERTY("Caption", String, pushButtonTitleGetter, pushButtonTitleSetter),
//         QV_READONLY("Left", Integer, intGetter, offsetof(PushButtonObject, left)),
//         QV_PROPERTY("Default", Boolean, boolGetter, boolSetter, kDefaultOffset).Flags(4),
//         QV_VARIABLE("__qvf_mImp", Ptr),
//     };
//     const MethodRow kPushButtonMethods[] = {
//         QV_SUB("Push", pushButtonPush),
//         QV_FUNCTION("Find", Class<"Window">, pushButtonFind, Param("name", String),
//                     Param("deep", Boolean).Default(1)),
//     };
//     const EventRow kPushButtonEvents[] = {QV_EVENT("Action", &gActionHook)};
//     const EventImplementationRow kPushButtonImplementations[] = {
//         QV_EVENT_IMPLEMENTATION("CreatePane", PushButtonCreatePane)};
//     }  // namespace
//
//     QV_CLASS(PushButtonClassDefinition,
//              .name = "PushButton",
//              .super = RectControlClassDefinition,
//              .objectSize = sizeof(PushButtonObject),
//              .properties = kPushButtonProperties,
//              .methods = kPushButtonMethods,
//              .events = kPushButtonEvents,
//              .eventImplementations = kPushButtonImplementations,
//              .finalizer = QV_CODE(PushButtonDestructor))
//     QV_STARTUP_CLASS(kStartupPushButtonClass, PushButtonClassDefinition)  // core/Startup.h
//
// A row names its function once: the export name is the function's own name, and the compiler
// checks the function's C++ type against the row's language types (a mismatch is a static
// assertion). Every function a row names must also be exported (QV_EXPORT beside it); a test
// compares the rows of every class with the recorded export signatures. Types are the constants
// of LanguageTypes.h; another class is named by name (lang::Class<"Window">) and resolved when
// the definition is converted, so rows are never filled in after the fact.
//
// Calling conventions the rows declare:
//   property getter   (object, parameter) -> value          parameter: the row's last word
//                     (or (object) -> value: a getter that does not read the parameter)
//   property setter   (object, parameter, value)            (field offset, index, selector)
//   method            (object, parameters...) -> result
//   module method     (parameters...) -> result                 (a module has no objects)
//   assigning form    (object, parameters..., value)
//   initializer, finalizer, event implementation: (object, ...) as declared
//
// Row layouts are read by plug-ins and compiled code: PropertyRow 9 words, EventRow 6,
// EventImplementationRow 8, MethodRow 21 (ObjectDefinition.h), ParameterRecord 8.
//
// Row flags (property, event and method rows read the same bits):
//   0x4     the item's every-target flag
//   0x8     the item's second flag
//   0x800   with 0x4: the no-GUI flag (and every-target)
//   0x4000 or 0x10000   attribute bits 0x21 (Private)
//   0x2000  (properties) attribute bit 0x10
// A property row without setter is read-only (userFlags 1); one with neither getter nor
// setter declares a plain instance variable.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/LanguageTypes.h"
#include "core/ObjectDefinition.h"

// The compile-time row check. Under AddressSanitizer GCC no longer folds comparisons of global
// addresses in constant expressions, so the sanitizer build leaves this check to the plain
// build; the row test (RowSignaturesTest) checks every row in both.
#if defined(__SANITIZE_ADDRESS__)
#define QV_ROW_CHECK(...) static_assert(true)
#else
#define QV_ROW_CHECK(...) static_assert(__VA_ARGS__)
#endif

using ParameterRow = ParameterRecord;

struct PropertyRow {
  uint32_t flags;
  const char* name;
  const TypeDescriptor* type;  // intrinsic type record or class definition
  void* getter;
  const char* getterExportName;
  void* setter;  // nil: read-only
  const char* setterExportName;
  uint32_t parameterWord;  // handed to getter and setter, e.g. the field's byte position
  uint32_t word;

  // A copy with these row flags.
  PropertyRow Flags(uint32_t rowFlags) const {
    PropertyRow row = *this;
    row.flags = rowFlags;
    return row;
  }
};
static_assert(sizeof(PropertyRow) == 36, "property rows are nine words");

struct EventRow {
  uint32_t flags;
  const char* name;
  const char* parameterText;   // e.g. "X As Integer, Y As Integer", or null
  const char* returnTypeText;  // e.g. "Boolean", or null
  ObjectHook** hookOut;        // receives the created hook; raisers look the event up with it
  uint32_t word;

  constexpr EventRow Flags(uint32_t rowFlags) const {
    EventRow row = *this;
    row.flags = rowFlags;
    return row;
  }
};
static_assert(sizeof(EventRow) == 24, "event rows are six words");

struct EventImplementationRow {
  const char* name;  // an event that a superclass declares, e.g. "CreatePane"
  void* function;
  const char* exportName;
  uint32_t words[5];
};
static_assert(sizeof(EventImplementationRow) == 32, "event implementation rows are eight words");

constexpr uint32_t kRowEveryTarget = 0x4;
constexpr uint32_t kRowSecondFlag = 0x8;
constexpr uint32_t kRowNoGUI = 0x800;
constexpr uint32_t kRowMarked = 0x2000;
constexpr uint32_t kRowPrivate = 0x4000;
constexpr uint32_t kRowPrivateToo = 0x10000;

// --- Parameters ------------------------------------------------------------------------------

// One parameter of a method or global function: Param("name", lang::Integer), or Param(type)
// where the name does not matter (it is then p1, p2, ... by position, up to p12; an unnamed
// thirteenth does not compile).
struct Param {
  ParameterRecord record;

  constexpr Param(const char* name, const TypeDescriptor* type)
      : record{name, type, 0, 0, 0, 0, {}} {}
  constexpr explicit Param(const TypeDescriptor* type) : Param(nullptr, type) {}

  // No lambda through a member template: clang 14 cannot call one in a constant expression.
  constexpr Param ByRef() const {
    Param p = *this;
    p.record.byRef = 1;
    return p;
  }
  constexpr Param ParamArray() const {
    Param p = *this;
    p.record.paramArray = 1;
    return p;
  }
  // An integer, Boolean (0/1) or colour default; 0 with a class type is Nil. (A String default
  // is a string record, made at run time: static rows do not declare one.)
  constexpr Param Default(uint32_t value) const {
    Param p = *this;
    p.record.hasDefault = 1;
    p.record.defaultValue = value;
    return p;
  }
};

inline constexpr const char* kPositionalParameterNames[] = {
    "p1", "p2", "p3", "p4", "p5", "p6", "p7", "p8", "p9", "p10", "p11", "p12"};

template <typename... Params>
constexpr std::array<ParameterRecord, sizeof...(Params)> MakeParameters(Params... params) {
  std::array<ParameterRecord, sizeof...(Params)> records{params.record...};
  for (size_t i = 0; i < records.size(); ++i) {
    if (!records[i].name) records[i].name = kPositionalParameterNames[i];
  }
  return records;
}

// What a row declares: its result (or property) type and its parameters.
template <size_t N>
struct RowDeclaration {
  const TypeDescriptor* type;
  std::array<ParameterRecord, N> parameters;

  constexpr const ParameterRecord* Parameters() const { return N ? parameters.data() : nullptr; }
  constexpr int32_t Count() const { return int32_t(N); }
};
template <size_t N>
RowDeclaration(const TypeDescriptor*, std::array<ParameterRecord, N>) -> RowDeclaration<N>;

// The declaration of one row, as a constant with static storage. Declare is the type of a
// lambda that returns it, unique to its row (see QV_ROW_DECLARATION).
template <typename Declare>
inline constexpr auto kRowDeclaration = Declare{}();

#define QV_ROW_DECLARATION(type, ...) \
  decltype([] { return RowDeclaration{type, MakeParameters(__VA_ARGS__)}; })

template <typename Function>
constexpr const char* kSignatureOf = ExportSignatureOf<Function>::text;

// --- Rows --------------------------------------------------------------------------------------

PropertyRow MakePropertyRow(const char* name, const TypeDescriptor* type, void* getter,
                            const char* getterName, void* setter, const char* setterName,
                            uint32_t parameterWord);
MethodRow MakeMethodRow(const char* name, const TypeDescriptor* returnType,
                        const ParameterRecord* parameters, int32_t count, CodeRecord a,
                        CodeRecord b);

template <typename Function>
void* FunctionAddress(Function function) {
  if constexpr (std::is_null_pointer_v<Function>) {
    return nullptr;
  } else {
    return reinterpret_cast<void*>(function);
  }
}

template <typename Function>
CodeRecord CodeRecordOf(Function function, const char* exportName) {
  return {FunctionAddress(function), exportName, 0, {}};
}

template <typename Getter, typename Setter, typename Declare>
PropertyRow PropertyRowOf(const char* name, Getter getter, const char* getterName, Setter setter,
                          const char* setterName, uint32_t parameterWord) {
  constexpr const TypeDescriptor* type = kRowDeclaration<Declare>.type;
  if constexpr (!std::is_null_pointer_v<Getter>) {
    QV_ROW_CHECK(GetterSignatureAgrees(kSignatureOf<Getter>, type),
                  "the getter is not (object, parameter) -> the property's type");
  }
  if constexpr (!std::is_null_pointer_v<Setter>) {
    QV_ROW_CHECK(DeclaredSignatureAgrees(kSignatureOf<Setter>, DeclaredSetterSignature(type)),
                  "the setter is not (object, parameter, value of the property's type)");
  }
  return MakePropertyRow(name, type, FunctionAddress(getter), getterName, FunctionAddress(setter),
                         setterName, parameterWord);
}

template <typename Function, typename Assigner, typename Declare>
MethodRow MethodRowOf(const char* name, Function function, const char* exportName,
                      Assigner assigner, const char* assignerName) {
  constexpr const auto& declared = kRowDeclaration<Declare>;
  QV_ROW_CHECK(DeclaredSignatureAgrees(kSignatureOf<Function>,
                                       DeclaredSignature(true, declared.type,
                                                         declared.Parameters(), declared.Count())),
                "the function is not (object, parameters...) -> result as the row declares");
  CodeRecord b{};
  if constexpr (!std::is_null_pointer_v<Assigner>) {
    QV_ROW_CHECK(DeclaredSignatureAgrees(kSignatureOf<Assigner>,
                                          DeclaredAssignSignature(declared.type,
                                                                  declared.Parameters(),
                                                                  declared.Count())),
                  "the assigning form is not (object, parameters..., value)");
    b = CodeRecordOf(assigner, assignerName);
  }
  return MakeMethodRow(name, declared.type, declared.Parameters(), declared.Count(),
                       CodeRecordOf(function, exportName), b);
}

// A method with only its assigning form (Obj.Name(parameters) = value).
template <typename Assigner, typename Declare>
MethodRow AssignerRowOf(const char* name, Assigner assigner, const char* assignerName) {
  constexpr const auto& declared = kRowDeclaration<Declare>;
  QV_ROW_CHECK(DeclaredSignatureAgrees(kSignatureOf<Assigner>,
                                        DeclaredAssignSignature(declared.type,
                                                                declared.Parameters(),
                                                                declared.Count())),
                "the assigning form is not (object, parameters..., value)");
  return MakeMethodRow(name, declared.type, declared.Parameters(), declared.Count(), {},
                       CodeRecordOf(assigner, assignerName));
}

template <typename Function, typename Declare>
MethodRow ModuleMethodRowOf(const char* name, Function function, const char* exportName) {
  constexpr const auto& declared = kRowDeclaration<Declare>;
  QV_ROW_CHECK(DeclaredSignatureAgrees(kSignatureOf<Function>,
                                       DeclaredSignature(false, declared.type,
                                                         declared.Parameters(), declared.Count())),
               "the function is not (parameters...) -> result as the row declares");
  return MakeMethodRow(name, declared.type, declared.Parameters(), declared.Count(),
                       CodeRecordOf(function, exportName), {});
}

template <typename Declare>
MethodRow AbstractMethodRowOf(const char* name) {
  constexpr const auto& declared = kRowDeclaration<Declare>;
  return MakeMethodRow(name, declared.type, declared.Parameters(), declared.Count(), {}, {});
}

template <typename Function>
CodeRecord ObjectHookRecordOf(Function function, const char* exportName) {
  QV_ROW_CHECK(DeclaredSignatureAgrees(kSignatureOf<Function>, DeclaredObjectHookSignature()),
                "initializers and finalizers take the object alone");
  return CodeRecordOf(function, exportName);
}

constexpr uint32_t AccessorParameter() { return 0; }
constexpr uint32_t AccessorParameter(uint32_t parameterWord) { return parameterWord; }

// Properties. The optional last argument is the accessors' parameter word (0 when absent).
#define QV_PROPERTY(name, type, getter, setter, ...)                                        \
  PropertyRowOf<decltype(&getter), decltype(&setter), QV_ROW_DECLARATION(type)>(            \
      name, &getter, #getter, &setter, #setter, AccessorParameter(__VA_ARGS__))
#define QV_READONLY(name, type, getter, ...)                                                \
  PropertyRowOf<decltype(&getter), std::nullptr_t, QV_ROW_DECLARATION(type)>(               \
      name, &getter, #getter, nullptr, nullptr, AccessorParameter(__VA_ARGS__))
// A plain instance variable: no accessors.
#define QV_VARIABLE(name, type) \
  MakePropertyRow(name, type, nullptr, nullptr, nullptr, nullptr, 0)

// Methods: a Sub has no result; the parameters (Param) follow the function. Flags and kind
// as .Flags(0x4) and .Kind(kMethodExtends) on the row.
#define QV_FUNCTION(name, result, function, ...)                                            \
  MethodRowOf<decltype(&function), std::nullptr_t, QV_ROW_DECLARATION(result, __VA_ARGS__)>( \
      name, &function, #function, nullptr, nullptr)
#define QV_SUB(name, function, ...) QV_FUNCTION(name, nullptr, function, __VA_ARGS__)
// A method that also has an assigning form (Obj.Name(parameters) = value).
#define QV_FUNCTION_ASSIGNS(name, result, function, assigner, ...)                              \
  MethodRowOf<decltype(&function), decltype(&assigner),                                        \
              QV_ROW_DECLARATION(result, __VA_ARGS__)>(name, &function, #function, &assigner, \
                                                       #assigner)
#define QV_ASSIGNS_ONLY(name, type, assigner, ...)                                   \
  AssignerRowOf<decltype(&assigner), QV_ROW_DECLARATION(type, __VA_ARGS__)>(name, &assigner, \
                                                                            #assigner)
// A method of a module: called without an object.
#define QV_MODULE_FUNCTION(name, result, function, ...)                                  \
  ModuleMethodRowOf<decltype(&function), QV_ROW_DECLARATION(result, __VA_ARGS__)>(         \
      name, &function, #function)
// A method the compiled code implements (interfaces): no function.
#define QV_ABSTRACT(name, result, ...) \
  AbstractMethodRowOf<QV_ROW_DECLARATION(result, __VA_ARGS__)>(name)

// An initializer or finalizer record of the class.
#define QV_CODE(function) ObjectHookRecordOf(&function, #function)

constexpr EventRow MakeEventRow(const char* name, ObjectHook** hookOut,
                                const char* parameterText = nullptr,
                                const char* returnTypeText = nullptr) {
  return {0, name, parameterText, returnTypeText, hookOut, 0};
}

// An event the class declares, optionally with its parameter text and return type text:
// QV_EVENT("MouseDown", &gMouseDownHook, "X As Integer, Y As Integer", "Boolean"). The created
// hook is stored through hookOut.
#define QV_EVENT(name, hookOut, ...) MakeEventRow(name, hookOut __VA_OPT__(, ) __VA_ARGS__)
// The framework's own implementation of an event a superclass declares.
#define QV_EVENT_IMPLEMENTATION(name, function) \
  EventImplementationRow { name, FunctionAddress(&function), #function, {} }

// --- Classes -----------------------------------------------------------------------------------

template <typename Row>
struct RowList {
  const Row* rows = nullptr;
  int32_t count = 0;

  constexpr RowList() = default;
  template <size_t N>
  constexpr RowList(const Row (&array)[N]) : rows(array), count(int32_t(N)) {}
  template <size_t N>
  constexpr RowList(const std::array<Row, N>& array) : rows(array.data()), count(int32_t(N)) {}
};

using ClassGetter = ObjectDefinition* (*)();

// A class as its table: name, superclass, size, then its rows.
struct ClassDeclaration {
  const char* name = nullptr;
  ClassGetter super = nullptr;
  int32_t objectSize = 24;  // the object header alone
  RowList<PropertyRow> properties{};
  RowList<MethodRow> methods{};
  RowList<EventRow> events{};
  RowList<EventImplementationRow> eventImplementations{};
  CodeRecord initializer{};
  CodeRecord finalizer{};
  RowList<ClassGetter> interfaces{};  // added in this order
  uint32_t flags = 0;               // row flags of the class itself (0x4, 0x800)
  bool isInterface = false;
};

// Builds definition from the declaration unless it is built already (its name is set), and
// returns it. The name is set first, so that a getter met again during the build returns the
// half-built definition.
ObjectDefinition* BuildClassDefinition(ObjectDefinition* definition,
                                       const ClassDeclaration& declaration);

// A class getter: the definition, built from the declaration on the first call.
#define QV_CLASS(getter, ...)                                           \
  ObjectDefinition* getter() {                                          \
    static ObjectDefinition definition;                                 \
    static const ClassDeclaration declaration = {__VA_ARGS__};          \
    return BuildClassDefinition(&definition, declaration);              \
  }

// --- Builders ----------------------------------------------------------------------------------

// One InstanceVariable per row, linked in row order; hand the head to SetItems.
InstanceVariable* AddClassProperties(const PropertyRow* rows, int32_t count);
// Replaces definition's own events; each is numbered after every event of the superclass
// chain, and stored through its row's hookOut.
void AddClassHooks(ObjectDefinition* definition, const EventRow* rows, int32_t count);
// Replaces definition's methods, one per row in row order.
void AddClassMethods(ObjectDefinition* definition, const MethodRow* rows, int32_t count);
// Puts one event implementation per row in front of definition's list (last row first).
void AddClassEvents(ObjectDefinition* definition, const EventImplementationRow* rows,
                    int32_t count);

extern "C" void NoOpCallback();
