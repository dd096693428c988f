// Finding a compiled method or a global function by a declaration that a plug-in writes in the
// language's own syntax: "Value() As Integer", "Value(Assigns v As Integer)". The declaration
// is parsed as plug-in declarations are, and each candidate of the same name (case ignored)
// has its signature read back as a declaration and parsed the same way, so that both sides
// name their types through the same descriptors. Nothing is cached: a plug-in keeps the
// address it found, which stays valid, since classes and the global-function table do not
// change once made.
//
// A declaration that does not parse, or that no candidate fulfils, finds nil without a
// message. The address found is called with the plain convention of compiled code: a method
// takes the object first, then exactly the declared parameters.
#pragma once

#include <cstdint>
#include <memory>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// A parsed declaration: its row has the layout of a global-function entry (name, return type,
// parameters and count, method kind), so that it compares with one field by field. The row's
// name and parameters point into the members below.
struct ParsedMethodDeclaration {
  MethodRow row{};
  string name;
  std::unique_ptr<ParameterRecord[]> parameters;
};

// Parses text into *out; false for a text that is no declaration (nothing is reported).
bool ParseMethodDeclaration(const char* text, ParsedMethodDeclaration* out);

// True when candidate fulfils wanted: the same name (case ignored), the same return type (a
// class return may be a subclass of the wanted class, never the reverse; every class is an
// Object), and parameters of the same types and ByRef flags position by position. Parameter
// names, defaults and the Extends and Assigns marks are not compared.
bool MethodDeclarationsMatch(const MethodRow& wanted, const MethodRow& candidate);

extern "C" {
// The first global function, in table order, that the declaration describes; nil when none.
// The first argument is not used.
void* QUORLoadGlobalMethod(uint32_t unused, const char* declaration);
// The first method of the object's class, in the order QUORGetClassMethod numbers them, that
// the declaration describes; nil when none (and for a nil object).
void* QUORLoadObjectMethod(RuntimeObject* object, const char* declaration);
}
