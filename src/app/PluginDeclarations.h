// Reading the declarations plug-ins write for their methods, accessors and events:
//
//     Find(ByRef name As String, Extends deep As Boolean = True, list() As Integer) As Window
//
// a name, an optional parameter list (modifiers ByVal, Const, ByRef, Extends and Assigns; an
// array parameter has "()" after its name; a default after "="), and an optional return type,
// itself an array with "()" after it. Types are Integer, Boolean, String, Color, Double,
// Single, Object, the intrinsic names of IntrinsicTypeForPluginName, or a class that
// FindClassForPlugin finds.
//
// Names, array types and default strings of parsed declarations live as long as the process,
// as the class definitions that use them do.
#pragma once

#include <cstdint>
#include <memory>

#include "core/IntrinsicTypes.h"
#include "core/ObjectDefinition.h"
#include "strings/RuntimeString.h"

struct PluginDeclaration {
  string name;
  const TypeDescriptor* returnType = nullptr;  // nil for a Sub
  // parameterCount records, each {name, type, ByRef, has-default, default value, ...}; the
  // default's text range in the declaration is in words[0] and words[1] (start, end).
  std::unique_ptr<ParameterRecord[]> parameters;
  int32_t parameterCount = 0;
  bool extends = false;  // the first parameter is marked Extends
  bool assigns = false;  // the last parameter is marked Assigns
  string parameterText;  // the text between the parentheses, trimmed
  string returnTypeText;

  // The method kind the two marks give: plain, Extends, Assigns, or both.
  int32_t MethodKind() const;
};

// Parses text into *out. False, with *message saying why and where, when it is no valid
// declaration: "Invalid plugin method format", "Invalid return type" or "Unknown type "X"",
// followed by PluginErrorText of the declaration.
bool ParsePluginMethodDeclaration(const char* text, PluginDeclaration* out, string* message);

// The intrinsic type a plug-in means by name (case ignored): UInt64, Int64, UInt32, Int32 (the
// Integer type), UInt16, Int16, UInt8, Int8, Ptr, WindowPtr, CString, PString, OSType or
// Currency; nil for any other name.
const IntrinsicTypeRecord* IntrinsicTypeForPluginName(const char* name);

// The one-dimensional array type of element, shared by every declaration that names it.
const TypeDescriptor* PluginArrayType(const TypeDescriptor* element);

// A copy of text that lives as long as the process, shared by equal texts: names that class
// items and export entries keep.
const char* PluginPooledText(const char* text);
