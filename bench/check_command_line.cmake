# Run by ctest: every benchmark named in BENCHES (comma-separated, in BIN_DIR)
# answers --help with exit code 0 and text naming its options, and
# aravis_bench, when built, refuses to run without the Aravis backend on the
# library path: a non-zero exit and a message saying what to do.
cmake_minimum_required(VERSION 3.25)
string(REPLACE "," ";" benches "${BENCHES}")
set(failures "")

function(run out_var rc_var)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  set(${out_var} "${out}${err}" PARENT_SCOPE)
  set(${rc_var} "${rc}" PARENT_SCOPE)
endfunction()

foreach(bench IN LISTS benches)
  # What each one's --help must name: Google Benchmark's flags, or its own.
  if(bench STREQUAL "aravis_bench")
    set(expected "--loss" "--serve" "--rate=" "LD_LIBRARY_PATH")
  else()
    set(expected "Usage: ${bench}" "--benchmark_filter")
  endif()
  run(out rc "${BIN_DIR}/${bench}" --help)
  if(NOT rc STREQUAL "0")
    list(APPEND failures "${bench} --help exited with ${rc}:\n${out}")
  endif()
  foreach(text IN LISTS expected)
    string(FIND "${out}" "${text}" at)
    if(at EQUAL -1)
      list(APPEND failures "${bench} --help does not mention ${text}:\n${out}")
    endif()
  endforeach()
endforeach()

if("aravis_bench" IN_LIST benches)
  # The simulated SDK beside the driver is what it loads without the
  # backend's folder on the library path.
  run(out rc ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH "${BIN_DIR}/aravis_bench" 1)
  if(rc STREQUAL "0" OR NOT out MATCHES "not the Aravis backend.*LD_LIBRARY_PATH=")
    list(APPEND failures "aravis_bench without the backend exited with ${rc}:\n${out}")
  endif()
  foreach(arguments "0" "--rate=0" "1;2" "--unknown")
    run(out rc "${BIN_DIR}/aravis_bench" ${arguments})
    if(NOT rc STREQUAL "2" OR NOT out MATCHES "Usage: aravis_bench")
      list(APPEND failures "aravis_bench ${arguments} exited with ${rc}, not with the usage:\n${out}")
    endif()
  endforeach()
endif()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
