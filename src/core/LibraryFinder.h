// Finding a shared library by the base name a person would use ("libgnome-2.so",
// "libgnomeprintui-2-2"): the name itself, the name with ".so", its symbolic links, and finally
// the dynamic linker's cache listing ("/sbin/ldconfig -p"), read once per process.
#pragma once

#include <string>

#include "strings/RuntimeString.h"

namespace UnixHelper {

// The dlopen handle (lazy binding) of the first candidate that opens, or nil.
void* LoadLibrary(const string& name);

}  // namespace UnixHelper

// Follows the symbolic links from path (path + ".so" when path itself is missing), opening
// each link's target unchanged until one opens. Nil when the walk ends first: a path that is
// no link, a target that cannot be read, or more hops than any sane chain has (a loop).
void* OpenThroughSymbolicLinks(const std::string& path);

// Tests point the listing at another command and forget the listing read so far.
void SetLibraryListingCommandForTesting(const char* command);
