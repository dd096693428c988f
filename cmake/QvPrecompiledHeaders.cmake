# Precompiled headers. Most of a C++ file's compile time goes on parsing the standard library and,
# in the tests, GoogleTest (about three seconds a file): each is parsed once per target here.
# They are only added in front of the files' own includes, so the code compiles as it would
# without them; QV_PCH=OFF builds without (e.g. to check that a file includes what it uses).
#
#   qv_precompile_framework()        the framework's C++ files (the standard library)
#   qv_precompile_tests()            the test support's C++ files (GoogleTest and the standard
#                                    library, where the compiler allows: below); test
#                                    binaries reuse its headers
#   qv_test_code(<target>)           a test binary: uses the test support's headers, and in the
#                                    sanitizer build compiles at -O0 (below)
include_guard(GLOBAL)
option(QV_PCH "Precompile the standard library and GoogleTest headers" ON)

set(QV_PCH_STANDARD <algorithm> <cstdint> <cstdio> <cstdlib> <cstring> <functional> <memory>
  <string> <unordered_map> <vector>)
set(QV_PCH_TESTS <gtest/gtest.h> <filesystem> <fstream> <map> <random> <set> <sstream>)

# For the C++ files only (the targets hold C and assembly too); a '>' inside a generator
# expression is written $<ANGLE-R>.
function(qv_precompile target)
  if(QV_PCH)
    list(TRANSFORM ARGN REPLACE ">$" "$<ANGLE-R>")
    target_precompile_headers(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${ARGN}>")
  endif()
endfunction()

function(qv_precompile_framework)
  qv_precompile(qvframework ${QV_PCH_STANDARD})
endfunction()

# GCC before 13 drops the diagnostic pragmas of a precompiled header, among them those with
# which the standard library silences its known false -Warray-bounds in inlined string code:
# optimised test code (the plain build) would report them by the dozen. Test code is
# precompiled there only with a compiler that keeps them; at -O0 those warnings are not made.
set(QV_PCH_TESTS_OK ON)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13
   AND NOT QV_SANITIZE)
  set(QV_PCH_TESTS_OK OFF)
endif()

function(qv_precompile_tests)
  if(QV_PCH_TESTS_OK)
    qv_precompile(qvtestsupport ${QV_PCH_STANDARD} ${QV_PCH_TESTS})
  endif()
  qv_sanitized_test_code(qvtestsupport)
endfunction()

# In the sanitizer build the framework stays at -O1; the tests' own code (assertion macros
# expanded by the hundred) is instrumented all the same at -O0, which compiles in a quarter of
# the time. The plain build compiles it optimised, with the warnings that need the optimiser.
function(qv_sanitized_test_code target)
  if(QV_SANITIZE)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-O0>)
  endif()
endfunction()

function(qv_test_code target)
  if(QV_PCH AND QV_PCH_TESTS_OK)
    target_precompile_headers(${target} REUSE_FROM qvtestsupport)
  endif()
  qv_sanitized_test_code(${target})
endfunction()
