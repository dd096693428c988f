# The machine's load when a test run starts, which every time limit of the tests grows with, so
# that a busy machine gets longer limits rather than failures: the load average over the
# processors, at least 1. CTest reads this file as it loads the tests, before it starts any
# (the top directory's test include): the first read measures the load and puts it into
# CTest's environment as QV_LOAD_FACTOR ("1.37"), which every test inherits, so that the
# tests' own limits (tests/support/Watchdog.h) and CTest's timeouts (cmake/timeouts) come from
# the same figure. A value set beforehand (by hand, or a CI stage) is kept.
#   qv_load_hundredths(<var>)          QV_LOAD_FACTOR in hundredths, at least 100
#   qv_time_factor(<var> <slowdown>)   the slow-run factor: slowdown times the load, rounded up
#   qv_scale_timeouts(<base> <slowdown> <test>...)
#                                      CTest's timeout of each test: base times that factor,
#                                      handed on as QV_TEST_TIMEOUT, the factor as
#                                      QV_TIME_FACTOR (for the scripts a test runs)
#   qv_scale_timeout_list(<base> <slowdown> <variable>)
#                                      the same for the tests a variable lists (as the tests
#                                      GoogleTest discovery found)
include_guard(GLOBAL)

if(NOT DEFINED ENV{QV_LOAD_FACTOR})
  set(qv_load "0")
  if(EXISTS /proc/loadavg)
    file(READ /proc/loadavg qv_load)
  endif()
  string(REGEX MATCH "^([0-9]+)(\\.([0-9]?[0-9]?))?" qv_load "${qv_load}")
  set(qv_whole "${CMAKE_MATCH_1}")
  string(SUBSTRING "${CMAKE_MATCH_3}00" 0 2 qv_part)
  if(qv_whole STREQUAL "")
    set(qv_whole 0)
  endif()
  cmake_host_system_information(RESULT qv_processors QUERY NUMBER_OF_LOGICAL_CORES)
  if(NOT qv_processors GREATER 0)
    set(qv_processors 1)
  endif()
  math(EXPR qv_load "(${qv_whole} * 100 + 1${qv_part} - 100 + ${qv_processors} - 1) / ${qv_processors}")
  if(qv_load LESS 100)
    set(qv_load 100)
  endif()
  math(EXPR qv_whole "${qv_load} / 100")
  math(EXPR qv_part "${qv_load} % 100 + 100")
  string(SUBSTRING "${qv_part}" 1 2 qv_part)
  set(ENV{QV_LOAD_FACTOR} "${qv_whole}.${qv_part}")
endif()

function(qv_load_hundredths variable)
  string(REGEX MATCH "^([0-9]+)(\\.([0-9]?[0-9]?))?$" load "$ENV{QV_LOAD_FACTOR}")
  set(hundredths 100)
  if(load)
    string(SUBSTRING "${CMAKE_MATCH_3}00" 0 2 part)
    math(EXPR hundredths "${CMAKE_MATCH_1} * 100 + 1${part} - 100")
  endif()
  if(hundredths LESS 100)
    set(hundredths 100)
  endif()
  set(${variable} ${hundredths} PARENT_SCOPE)
endfunction()

function(qv_time_factor variable slowdown)
  qv_load_hundredths(load)
  math(EXPR factor "(${slowdown} * ${load} + 99) / 100")
  set(${variable} ${factor} PARENT_SCOPE)
endfunction()

function(qv_scale_timeouts base slowdown)
  qv_time_factor(factor ${slowdown})
  math(EXPR seconds "${base} * ${factor}")
  foreach(test IN LISTS ARGN)
    set_tests_properties("${test}" PROPERTIES TIMEOUT ${seconds}
      ENVIRONMENT_MODIFICATION "QV_TEST_TIMEOUT=set:${seconds};QV_TIME_FACTOR=set:${factor}")
  endforeach()
endfunction()

function(qv_scale_timeout_list base slowdown variable)
  qv_scale_timeouts(${base} ${slowdown} ${${variable}})
endfunction()
