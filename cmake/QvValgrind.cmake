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
#   qv_add_valgrind_test(<name> <command> [ARGS...] [PASS <regex>] [DISPLAY | NO_DISPLAY])
#     Adds CTest test Valgrind.<name> (label "valgrind"), in the plain build only: the
#     sanitizers' own run-time cannot live under valgrind. With DISPLAY the program runs under
#     scripts/with-display (a display and window manager of its own, as the GUI test binaries
#     have); with NO_DISPLAY without any (a message box then answers on standard error).
include_guard(GLOBAL)

find_program(QV_VALGRIND valgrind)

function(qv_add_valgrind_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "DISPLAY;NO_DISPLAY" "PASS" "")
  if(QV_SANITIZE OR NOT QV_VALGRIND)
    return()
  endif()
  set(logs ${CMAKE_CURRENT_BINARY_DIR}/valgrind-logs/${name})
  set(command ${QV_VALGRIND} --error-exitcode=99 --smc-check=all-non-file --leak-check=full
    --errors-for-leak-kinds=definite --show-leak-kinds=definite --num-callers=30
    --suppressions=${PROJECT_SOURCE_DIR}/tests/support/valgrind.supp
    --trace-children=yes --trace-children-skip=/usr/*,/bin/*,/sbin/*,/proc/*,*/test_*
    --log-file=${logs}/%p.log ${ARG_UNPARSED_ARGUMENTS})
  if(ARG_DISPLAY)
    list(PREPEND command ${PROJECT_SOURCE_DIR}/scripts/with-display)
  endif()
  add_test(NAME Valgrind.${name}
    COMMAND ${CMAKE_COMMAND} -D QV_LOGS=${logs} -P ${PROJECT_SOURCE_DIR}/cmake/QvValgrindRun.cmake
      -- ${command})
  set(environment "G_SLICE=always-malloc;G_DEBUG=gc-friendly")
  if(ARG_NO_DISPLAY)
    list(APPEND environment "DISPLAY=")
  endif()
  # The output decides (a pass expression makes CTest ignore the status): a report in a log,
  # a program that failed, or a failed test case.
  set(fail "memcheck found errors|the program ended with status|\\[  FAILED  \\]")
  set_tests_properties(Valgrind.${name} PROPERTIES LABELS valgrind TIMEOUT 900
    ENVIRONMENT "${environment}" FAIL_REGULAR_EXPRESSION "${fail}")
  if(ARG_PASS)
    set_tests_properties(Valgrind.${name} PROPERTIES PASS_REGULAR_EXPRESSION "${ARG_PASS}")
  endif()
endfunction()
