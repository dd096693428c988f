// Names that rows give before their functions or classes exist: the exports and the classes
// that later work builds. A row may name only what exists or what is listed here, so a
// misspelt name fails the row checks; whoever builds one of these takes it off the list (the
// checks fail while an existing name is still listed, or a listed name no row gives).
#pragma once

#include <initializer_list>

// clang-format off
inline constexpr const char* kExportsStillToCome[] = {
    "RuntimeSetProperties",
    "_InitPluginEntrypoints",
};

// Empty while every class a row names exists.
inline constexpr std::initializer_list<const char*> kClassesStillToCome = {};
// clang-format on
