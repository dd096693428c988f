// Type names, compact type codes, link-form keys and declaration texts, in both directions.
//
// The image names members of library classes by link-form keys ("RefreshRect%%o<Window>
// i4i4i4i4b", "=Value%%o<Dictionary>vv", "Left%i4%"), so the codes and the key layout are an
// interface with compiled code: printing and parsing live here together and nowhere else.
//
// Codes: "i1" "i2" "i4" "i8" "u1" "u2" "u4" "u8" "f4" "f8" "b" "s" "c" "e" "l" "w" "x" "z" "p"
// for intrinsic types, "v" for Variant, "o<Name>" for other classes, "a" + dimension count +
// element code for arrays.
//
// Plug-ins read the same keys back as declaration texts in their own spelling (the end of this
// header): "i4" is "Int32" there, and "Fold%i4%o<Gadget>i4" reads
// "Function Fold(param0 As Gadget, param1 As Int32) As Int32".
#pragma once

#include <cstdint>
#include <vector>

#include "core/ObjectDefinition.h"
#include "core/TypeDescriptor.h"
#include "strings/RuntimeString.h"

// The spelled name: "Integer", "FolderItem", "Double()" for an array of Double.
string TypeName(const TypeDescriptor* type);
// The compact code; empty for a type without one (after a report for an unknown name).
string TypeCode(const TypeDescriptor* type);
// The code of an intrinsic type name (ignoring case); nil when the name has none.
const char* IntrinsicTypeCode(const char* typeName);

// "=" (assigning form), alias or name, "%", return code (plain form), "%", "o<Owner>" when an
// owner is given, then "&" for ByRef and each parameter's code, the return code last when
// assigning.
string MethodSignatureKey(const ObjectMethod* method, const TypeDescriptor* owner,
                          bool assigning);
// "Name%code%".
string PropertyKey(const InstanceVariable* property);

string MethodParameterListText(const ObjectMethod* method);
string MethodReturnTypeText(const ObjectMethod* method);
string MethodDeclarationText(const ObjectMethod* method);
string PropertyDeclarationText(const InstanceVariable* property);

bool MethodParametersAllHaveDefaults(const ObjectMethod* method);
// True when the stored parameter text has "(" before any "//" or "'" comment marker.
bool MethodTextOpensParameterList(const ObjectMethod* method);
bool ItemNameIsEmpty(const string& name);

// A type code read back. Intrinsic codes give the first type name of the code table that
// prints as that code ("i4" gives "Integer"); "v" and "o<Name>" give a class name.
struct ParsedType {
  bool isClass = false;
  string name;              // intrinsic type name or class name
  int32_t dimensions = 0;   // 0: not an array
  bool operator==(const ParsedType& other) const;
};

struct ParsedParameter {
  bool byRef = false;
  ParsedType type;
};

struct ParsedMethodKey {
  bool assigning = false;
  string name;
  bool hasReturnType = false;
  ParsedType returnType;
  string owner;  // class name; empty when the key names none
  std::vector<ParsedParameter> parameters;
};

struct ParsedPropertyKey {
  string name;
  ParsedType type;
};

// Reads one type code at text[*pos], advancing *pos. False (and *pos unchanged) when the text
// there is no complete code.
bool ParseTypeCode(const char* text, int32_t length, int32_t* pos, ParsedType* out);
// Whole keys; false when the key is malformed. withOwner: the key names its owner class (keys
// of class members do, those of global functions do not). In the assigning form the last code
// is the return type.
bool ParseMethodSignatureKey(const string& key, bool withOwner, ParsedMethodKey* out);
bool ParsePropertyKey(const string& key, ParsedPropertyKey* out);

// --- Keys as plug-ins read them -----------------------------------------------------------

// A type code in the plug-ins' spelling: "b" Boolean, "c" Color, "e" Currency, "f4" Single,
// "f8" Double, "i1" .. "i8" Int8 .. Int64, "u1" .. "u8" UInt8 .. UInt64, "s" String,
// "v" Variant, "p" Ptr, "o<Name>" or "t<Name>" the class; "a" or "A", the dimension count and
// the element's code for an array. Any other code has an empty name.
struct PluginCodeType {
  string name;             // an array's element type name
  int32_t dimensions = 0;  // 0: no array
  // "(" and one "," per dimension beyond the first and ")"; empty for no array.
  string ArraySuffix() const;
};
// Reads the code at *code and moves *code past it, so that codes written one after another
// read one at a time: one byte for a letter (an unknown one too), two for the "f", "i" and "u"
// codes, through the ">" of a class, the digits and the element of an array; nothing at the
// end of the text. An array of fewer than one dimension is a failed check and has no name.
PluginCodeType ReadPluginTypeCode(const char** code);
// The name of the code with an array's parentheses: "a2i4" is "Int32(,)".
string PluginTypeNameForCode(const char* code);

struct SignatureTextOptions {
  bool keyword = true;              // begins with "Function " or "Sub "
  bool skipFirstParameter = false;  // leaves out parameter 0 (a method's object)
};
// The declaration that a method entry's signature stands for (the text after a qualifier's
// last "."; "=" marks the last parameter Assigns, "*" ParamArray; name, result code and
// parameter codes separated by "%", "&" before a ByRef one). Parameters are named "param" and
// their number: "=Value%%i4s" reads "Sub Value(param0 As Int32, Assigns param1 As String)".
string SignatureDeclarationText(const char* signature, SignatureTextOptions options = {});
// The method's name alone.
string SignatureMethodName(const char* signature);
// A property key "Name%code%" as "Name As Type"; an array as "Name(,) As Type".
string PropertyKeyDeclarationText(const char* key);
// The name field and the type of a property key.
string PropertyKeyName(const char* key);
PluginCodeType PropertyKeyType(const char* key);
