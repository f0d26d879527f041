# Runs the BMP fuzzer for a bounded time on a fresh copy of the seed corpus,
# so that nothing is written into the repository. Fails on any crash, leak,
# sanitizer report or timeout that libFuzzer reports.
#   cmake -DFUZZER=... -DCORPUS=... -DWORK=... -DSECONDS=... -P RunFuzzer.cmake
foreach(var FUZZER CORPUS WORK SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFuzzer.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(GLOB seeds ${CORPUS}/*.bmp)
file(COPY ${seeds} DESTINATION ${WORK}/corpus)

set(ENV{ASAN_OPTIONS} "detect_leaks=1:abort_on_error=0")
set(ENV{UBSAN_OPTIONS} "halt_on_error=1:print_stacktrace=1")
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
          -print_final_stats=1 -artifact_prefix=${WORK}/artifacts/ ${WORK}/corpus
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)

string(REGEX MATCH "stat::number_of_executed_units: *[0-9]+" runs "${output}")
string(REGEX MATCH "Done [0-9]+ runs in [0-9]+ second" done "${output}")
file(GLOB grown ${WORK}/corpus/*)
list(LENGTH grown corpusSize)
file(GLOB artifacts ${WORK}/artifacts/*)
message(STATUS "BMP fuzzer: ${done}; ${runs}; corpus grew to ${corpusSize} inputs")
if(NOT result EQUAL 0 OR artifacts)
  message("${output}")
  message(FATAL_ERROR "BMP fuzzer failed (status ${result}); failing inputs in ${WORK}/artifacts: "
          "${artifacts} (keep each as tests/imaging/corpus/crash-<what>.bmp once fixed)")
endif()
