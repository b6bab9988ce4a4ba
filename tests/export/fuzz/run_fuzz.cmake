# Configures and builds the fuzz target with clang, then runs it on the committed seeds for a
# fixed number of inputs from a fixed seed, so that every run tries the same inputs: a failure
# here is a fault in the code under test, never a new random find.
# cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<dir> [-DFUZZ_TARGET=fuzz_pageedit] [-DMORE_SEEDS=dir]
#       [-DDICT=file] [-DRUNS=40000] [-DSECONDS=150] -P run_fuzz.cmake
if(NOT FUZZ_TARGET)
  set(FUZZ_TARGET fuzz_pageedit)
endif()
set(SEEDS ${SOURCE_DIR}/tests/export/fuzz/seeds ${MORE_SEEDS})
set(dict_option)
if(DICT)
  set(dict_option -dict=${DICT})
endif()
if(NOT RUNS)
  set(RUNS 40000)
endif()
# A guard against a slow machine only; it stops the same sequence of inputs earlier.
if(NOT SECONDS)
  set(SECONDS 150)
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
execute_process(COMMAND ${CMAKE_COMMAND} --build ${build} -j2 --target ${FUZZ_TARGET} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "building the fuzz target failed")
endif()
# A fresh corpus of the seeds at each run: what earlier runs found would change the inputs.
set(corpus ${WORK_DIR}/corpus)
file(REMOVE_RECURSE ${corpus})
file(MAKE_DIRECTORY ${corpus})
foreach(dir ${SEEDS})
  file(GLOB seeds ${dir}/*)
  file(COPY ${seeds} DESTINATION ${corpus})
endforeach()
# A fixed seed alone does not give the same inputs twice: shrinking corpus entries and the
# entropic schedule follow feedback that differs between processes, so both are off here.
execute_process(
  COMMAND ${build}/${FUZZ_TARGET} -seed=1 -runs=${RUNS} -entropic=0 -reduce_inputs=0 ${dict_option}
          -max_total_time=${SECONDS}
          -max_len=8192 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
          -artifact_prefix=${WORK_DIR}/ ${corpus}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the fuzz target found a failure (exit ${rc}); see ${WORK_DIR}")
endif()
