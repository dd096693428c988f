# Runs one memcheck test (cmake/QvValgrind.cmake): the valgrind command line after "--", with
# every process's report going to a log of its own in QV_LOGS. The program's output passes
# through; then each log is read, and a log with an error or a block definitely lost fails the
# test, with the log shown. A program that fails fails the test too.
#
# Where i386 programs run under an emulator, valgrind's own i386 tools would too, which it
# cannot: the run is reported skipped (QV_EMULATION_PROBE asks, cmake/QvEmulation.cmake).
#
#   cmake -D QV_LOGS=<folder> -D QV_EMULATION_PROBE=<probe> -P QvValgrindRun.cmake
#     -- <valgrind command...>
set(command)
set(seen_separator FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(seen_separator)
    list(APPEND command "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} STREQUAL "--")
    set(seen_separator TRUE)
  endif()
endforeach()

execute_process(COMMAND ${QV_EMULATION_PROBE} OUTPUT_VARIABLE answer
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(answer STREQUAL "emulated")
  message("valgrind run skipped: i386 programs run under an emulator here, and valgrind "
    "cannot run under one")
  return()
endif()

file(REMOVE_RECURSE ${QV_LOGS})
file(MAKE_DIRECTORY ${QV_LOGS})
execute_process(COMMAND ${command} RESULT_VARIABLE status)

file(GLOB logs ${QV_LOGS}/*.log)
list(LENGTH logs count)
set(failed "")
foreach(log ${logs})
  file(READ ${log} text)
  if(text MATCHES "ERROR SUMMARY: [1-9]|definitely lost: [1-9]")
    message("==== ${log}\n${text}")
    list(APPEND failed ${log})
  endif()
endforeach()
message("valgrind: ${count} processes")
if(failed)
  message(FATAL_ERROR "valgrind found errors in: ${failed}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the program ended with status ${status}")
endif()
