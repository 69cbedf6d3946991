# How CTest runs what the build makes. Every test carries a label naming its kind, so a CI
# stage can select its own and check that it ran something, and a time limit of its own:
#   unit      the core and command-line tests        sanitize  the same under the sanitizers
#   gui       Qt tests on the offscreen platform     xvfb      tests that need a real X server
#   fuzz      each fuzz target over its seed corpus  bench     each benchmark, run briefly
if(QB_TESTS OR QB_FUZZ)
  enable_testing()
endif()

if(QB_SANITIZE)
  set(QB_CORE_TEST_LABEL sanitize)
else()
  set(QB_CORE_TEST_LABEL unit)
endif()
set(QB_UNIT_TEST_TIMEOUT 120)
set(QB_GUI_TEST_TIMEOUT 300)
set(QB_FUZZ_TEST_RUNS 2000 CACHE STRING "Inputs each fuzz target's CTest entry runs")

# A benchmark program runs each of its benchmarks once with the smallest time, so a broken
# benchmark fails CI; the figures themselves come from running the program on its own.
function(qb_add_bench_test target)
  if(QB_TESTS)
    add_test(NAME ${target} COMMAND ${target} --benchmark_min_time=0.001)
    set_tests_properties(${target} PROPERTIES LABELS bench TIMEOUT 600 RUN_SERIAL ON)
  endif()
endfunction()

# Runs some test functions of a Qt test program as a user file permissions apply to (tests of
# unreadable files): run by root, the program runs as nobody. A Qt program cannot drop root
# in a forked child as the core tests do, so the whole process starts without it. A skip
# inside the program fails the test: it would mean the permissions were not tested.
function(qb_add_unprivileged_test name target)
  add_test(NAME ${name}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/support/unprivileged.sh $<TARGET_FILE:${target}> ${ARGN})
  set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT ${QB_GUI_TEST_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen" FAIL_REGULAR_EXPRESSION "SKIP +:")
endfunction()
