// Finding a shared library by the name a person would use ("libgnome-2.so",
// "libgnomeprintui-2-2", "libc.so"): the one finder of the framework, for the libraries that
// images link and declare and for plug-ins. Each name is searched once per process; the answer,
// nil included, is kept under the name, ASCII case ignored.
#pragma once

#include <string>
#include <vector>

#include "strings/RuntimeString.h"

namespace UnixHelper {

// The dlopen handle (lazy binding) of the first candidate that opens, or nil. In order:
//  1. the name as given, then in /usr/local/lib and /usr/lib;
//  2. the same three with ".so" appended;
//  3. the name's symbolic links (name + ".so" when the name is missing), each target opened;
//  4. a linker script of that name ("libc.so" is one: as given, in /usr/local/lib, /usr/lib and
//     /lib, then with ".so"; the first file found is read, its first 64 KB): the libraries of
//     its GROUP line;
//  5. each line of the dynamic linker's cache listing ("/sbin/ldconfig -p", read once) that
//     contains the name: its path, then that path's links. Lines of other architectures do not
//     open, so the search goes on to the i386 one.
void* LoadLibrary(const string& name);

}  // namespace UnixHelper

// As UnixHelper::LoadLibrary; *searched tells whether this call made the search (false: the
// answer was kept from an earlier one), so that a caller reports a missing library once.
void* FindLibrary(const string& name, bool* searched);

// Follows the symbolic links from path (path + ".so" when path itself is missing), opening
// each link's target unchanged until one opens. Nil when the walk ends first: a path that is
// no link, a target that cannot be read, or more hops than any sane chain has (a loop).
void* OpenThroughSymbolicLinks(const std::string& path);

// Tests point the listing at another program (argv[0] its path) and forget the listing read so
// far and every answer kept.
void SetLibraryListingProgramForTesting(const std::vector<std::string>& argv);
