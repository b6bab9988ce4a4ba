# Configures and builds the fuzz target with clang, then runs it for a bounded time.
# cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<dir> [-DSECONDS=60] -P run_fuzz.cmake
if(NOT SECONDS)
  set(SECONDS 60)
endif()
find_program(CLANGXX NAMES clang++-14 clang++ REQUIRED)
set(build ${WORK_DIR}/build)
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/export/fuzz -B ${build} -G Ninja
          -DCMAKE_CXX_COMPILER=${CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
          -DKORVALIS_SOURCE_DIR=${SOURCE_DIR}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "configuring the fuzz target failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${build} -j2 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "building the fuzz target failed")
endif()
# The corpus grows across runs; the seeds are small hand-written pages.
set(corpus ${WORK_DIR}/corpus)
file(MAKE_DIRECTORY ${corpus})
file(GLOB seeds ${SOURCE_DIR}/tests/export/fuzz/seeds/*)
file(COPY ${seeds} DESTINATION ${corpus})
execute_process(
  COMMAND ${build}/fuzz_pageedit -max_total_time=${SECONDS} -max_len=8192 -timeout=20
          -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=${WORK_DIR}/ ${corpus}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the fuzz target found a failure (exit ${rc}); see ${WORK_DIR}")
endif()
