# Memcheck over programs that run packed images: image code is written into anonymous memory
# before it runs (--smc-check=all-non-file), GLib hands memory to malloc directly, and the
# committed suppressions cover GTK's and X11's own allocations only. Any error, or a block
# definitely lost, fails the test, in any process it ran in.
#
# Memcheck follows the children the program starts when they are packed executables (or the
# framework's own executable): system programs (a shell, prlimit, a peer) and a test binary
# started again for a death test run natively. Every process writes its report into a log of
# its own, so that the standard error a test reads from its children stays theirs; the logs
# are checked once the program has ended (cmake/QvValgrindRun.cmake).
#
#   qv_add_valgrind_test(<name> <command> [ARGS...] [PASS <regex>] [NO_DISPLAY] [WITH_DISPLAY]
#                        [DRD])
#     Adds CTest test Valgrind.<name> (label "valgrind"), in the plain build only: the
#     sanitizers' own run-time cannot live under valgrind. With NO_DISPLAY the program runs
#     without the test display (a message box then answers on standard error); WITH_DISPLAY
#     gives it a display and window manager of its own (scripts/with-display), as a windowed
#     image needs. DRD runs valgrind's race detector instead of Memcheck: any data race or
#     misuse of a lock that it reports fails the test.
include_guard(GLOBAL)

find_program(QV_VALGRIND valgrind)

function(qv_add_valgrind_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "NO_DISPLAY;WITH_DISPLAY;DRD" "PASS" "")
  if(QV_SANITIZE OR NOT QV_VALGRIND)
    return()
  endif()
  if(ARG_DRD)
    set(tool --tool=drd)
  else()
    set(tool --smc-check=all-non-file --leak-check=full --errors-for-leak-kinds=definite
      --show-leak-kinds=definite
      --suppressions=${PROJECT_SOURCE_DIR}/tests/support/valgrind.supp)
  endif()
  set(logs ${CMAKE_CURRENT_BINARY_DIR}/valgrind-logs/${name})
  set(command ${QV_VALGRIND} --error-exitcode=99 --num-callers=30 ${tool}
    --trace-children=yes --trace-children-skip=/usr/*,/bin/*,/sbin/*,/proc/*,*/test_*
    --log-file=${logs}/%p.log ${ARG_UNPARSED_ARGUMENTS})
  if(ARG_WITH_DISPLAY)
    list(PREPEND command ${PROJECT_SOURCE_DIR}/scripts/with-display)
  endif()
  add_test(NAME Valgrind.${name}
    COMMAND ${CMAKE_COMMAND} -D QV_LOGS=${logs} -D QV_EMULATION_PROBE=${QV_EMULATION_PROBE}
      -P ${PROJECT_SOURCE_DIR}/cmake/QvValgrindRun.cmake
      -- ${command})
  set(environment "G_SLICE=always-malloc;G_DEBUG=gc-friendly")
  if(ARG_NO_DISPLAY)
    list(APPEND environment "DISPLAY=")
  endif()
  # The output decides (a pass expression makes CTest ignore the status): a report in a log,
  # a program that failed, or a failed test case.
  set(fail "valgrind found errors|the program ended with status|\\[  FAILED  \\]")
  # Valgrind computes throughout: two of the places scripts/test gives per core. The longest
  # runs of the suite start first where CTest has no times recorded yet (COST), as on a fresh
  # clone, so that the suite does not end waiting on one of them.
  set_tests_properties(Valgrind.${name} PROPERTIES LABELS valgrind PROCESSORS 2 COST 200
    ENVIRONMENT "${environment}" FAIL_REGULAR_EXPRESSION "${fail}"
    SKIP_REGULAR_EXPRESSION "valgrind run skipped: ")
  qv_test_timeout(180 VALGRIND Valgrind.${name})
  if(ARG_PASS)
    set_tests_properties(Valgrind.${name} PROPERTIES PASS_REGULAR_EXPRESSION "${ARG_PASS}")
  endif()
endfunction()
