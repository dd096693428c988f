# Whether i386 programs run under an emulator here: where the kernel has no 32-bit user mode,
# scripts/install-deps has binfmt_misc send them to qemu-i386. A small probe, built now with the
# i386 tool chain and kept as QV_EMULATION_PROBE for the valgrind runs to ask again, answers.
#   QV_EMULATED      the answer at configure time
#   QV_TIME_FACTOR   how much longer tests may take (QV_EMULATOR_SLOWDOWN under the emulator);
#                    a run stretches it further by the machine's load (cmake/QvLoadFactor.cmake)
#   QV_QEMU_I386     the emulator, which a part of the suite runs through on every machine
include_guard(GLOBAL)

set(QV_EMULATOR_SLOWDOWN 5)
set(QV_VALGRIND_SLOWDOWN 5)
find_program(QV_QEMU_I386 qemu-i386-static)

set(QV_EMULATION_PROBE ${CMAKE_BINARY_DIR}/qv-emulation-probe)
try_compile(probe_built ${CMAKE_BINARY_DIR}/emulation-probe
  SOURCES ${PROJECT_SOURCE_DIR}/tests/support/probe/EmulationProbe.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/Emulator.cpp
  CMAKE_FLAGS -DINCLUDE_DIRECTORIES=${PROJECT_SOURCE_DIR}/tests
  CXX_STANDARD 20
  OUTPUT_VARIABLE probe_log
  COPY_FILE ${QV_EMULATION_PROBE})
if(NOT probe_built)
  message(FATAL_ERROR "The i386 tool chain cannot build a program (scripts/install-deps "
    "installs it):\n${probe_log}")
endif()
execute_process(COMMAND ${QV_EMULATION_PROBE} RESULT_VARIABLE probe_status
  OUTPUT_VARIABLE probe_answer ERROR_VARIABLE probe_error OUTPUT_STRIP_TRAILING_WHITESPACE)
if(probe_answer STREQUAL "emulated")
  set(QV_EMULATED ON)
  set(QV_TIME_FACTOR ${QV_EMULATOR_SLOWDOWN})
  message(STATUS "i386 programs run under an emulator here: tests may take "
    "${QV_TIME_FACTOR} times as long")
elseif(probe_answer STREQUAL "native")
  set(QV_EMULATED OFF)
  set(QV_TIME_FACTOR 1)
else()
  message(FATAL_ERROR "An i386 program does not run on this machine (${probe_status} "
    "${probe_error}): where the kernel cannot run them, scripts/install-deps registers an "
    "emulator for them.")
endif()

# The address sanitizer's options under the emulator (tests/support/asan-emulated.options;
# scripts/test and scripts/fuzz add them where the probe says so): no leak check, which stops
# the threads through ptrace at the program's end and would wait there for ever. The emulator
# itself is given the 3 GB that a 32-bit program is told it has, less the last 64 KB
# (tests/support/emulator.env): qemu says the machine is an i686, so the sanitizer lays its
# shadow out for 3 GB and stops on a CHECK at memory that the emulator, left with 4 GB, hands
# out above them, or at a block that ends exactly at 3 GB (where natively the stack is).
#   QV_EMULATED_ASAN_OPTIONS   those options, or empty natively
#   QV_EMULATOR_ENV            that setting of the emulator, or empty natively
#   QV_SANITIZER_RUN_ENV       the command prefix that gives both to a program run at build time
set(QV_EMULATED_ASAN_OPTIONS)
set(QV_EMULATOR_ENV)
set(QV_SANITIZER_RUN_ENV)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/tests/support/asan-emulated.options
  ${PROJECT_SOURCE_DIR}/tests/support/emulator.env)
if(QV_EMULATED)
  file(READ ${PROJECT_SOURCE_DIR}/tests/support/asan-emulated.options QV_EMULATED_ASAN_OPTIONS)
  string(STRIP "${QV_EMULATED_ASAN_OPTIONS}" QV_EMULATED_ASAN_OPTIONS)
  file(READ ${PROJECT_SOURCE_DIR}/tests/support/emulator.env QV_EMULATOR_ENV)
  string(STRIP "${QV_EMULATOR_ENV}" QV_EMULATOR_ENV)
  if(QV_SANITIZE)
    set(QV_SANITIZER_RUN_ENV ${CMAKE_COMMAND} -E env ${QV_EMULATOR_ENV}
      ASAN_OPTIONS=${QV_EMULATED_ASAN_OPTIONS})
  endif()
endif()

# CTest's timeout of tests that would take seconds natively, stretched where they run under
# the emulator (EMULATED: wherever they run, as the tests that QV_EMULATOR starts through it) or
# valgrind (VALGRIND), and handed on through scripts/run-test so that the test watchdog fires
# ahead of it with its report. What is set here is a quiet machine's; as CTest loads the tests
# it stretches them by the machine's load (qv_scale_timeouts, in the last directory's test
# include, which knows every test by then: qv_stretch_timeouts_by_load).
#   qv_test_timeout(<seconds> [EMULATED|VALGRIND] <test>...)
#   qv_discovered_test_timeout(<seconds> <list variable>)  for the cases GoogleTest finds
function(qv_test_timeout seconds)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "EMULATED;VALGRIND" "" "")
  set(factor ${QV_TIME_FACTOR})
  if(ARG_EMULATED)
    set(factor ${QV_EMULATOR_SLOWDOWN})
  elseif(ARG_VALGRIND)
    set(factor ${QV_VALGRIND_SLOWDOWN})
  endif()
  set(names)
  foreach(test ${ARG_UNPARSED_ARGUMENTS})
    string(APPEND names " [==[${test}]==]")
  endforeach()
  set_property(GLOBAL APPEND PROPERTY QV_SCALED_TIMEOUTS
    "qv_scale_timeouts(${seconds} ${factor}${names})")
  math(EXPR seconds "${seconds} * ${factor}")
  set_tests_properties(${ARG_UNPARSED_ARGUMENTS} PROPERTIES TIMEOUT ${seconds}
    ENVIRONMENT_MODIFICATION "QV_TEST_TIMEOUT=set:${seconds};QV_TIME_FACTOR=set:${factor}")
endfunction()

function(qv_discovered_test_timeout seconds variable)
  set_property(GLOBAL APPEND PROPERTY QV_SCALED_TIMEOUTS
    "qv_scale_timeout_list(${seconds} ${QV_TIME_FACTOR} ${variable})")
endfunction()

# The load is measured as CTest starts to load the tests, before the test discovery runs.
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES
  ${PROJECT_SOURCE_DIR}/cmake/QvLoadFactor.cmake)

# Called last in the top directory: the directory whose test include stretches every timeout.
function(qv_stretch_timeouts_by_load)
  add_subdirectory(${PROJECT_SOURCE_DIR}/cmake/timeouts ${CMAKE_BINARY_DIR}/qv-timeouts)
endfunction()
