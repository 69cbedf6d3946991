# The Qt layers: the notes pane and the browser window.
find_package(Qt6 COMPONENTS Widgets Network Test QUIET)
if(NOT Qt6_FOUND)
  message(FATAL_ERROR "Qt 6 (Widgets, Network, Test) not found: install it (scripts/install-deps.sh) "
                      "or configure with -DQB_GUI=OFF to build the core alone")
endif()

# quillbox_pane: the notes pane TfrmMain with its tree, the companion dialogs and the progress
# window. Every src/pane/*.cpp except the test host in src/pane/host/. It links the core
# subsystems it calls (the store, the reports, the drop import, the search, the favorites).
file(GLOB QB_PANE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/pane/*.cpp)
add_library(quillbox_pane STATIC ${QB_PANE_SOURCES})
set_target_properties(quillbox_pane PROPERTIES AUTOMOC ON)
target_include_directories(quillbox_pane PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quillbox_pane PUBLIC qb_store qb_reports qb_dropimport qb_search qb_favorites
  Qt6::Widgets Qt6::Network PkgConfig::GUMBO)
# The version the program shows is the project's, so it has one home; only the source that
# holds it gets it on its compile line.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/pane/Product.cpp PROPERTIES
  COMPILE_DEFINITIONS QB_PRODUCT_VERSION="${PROJECT_VERSION}")

# A plain window holding the pane, to run it until the standalone browser window exists.
add_executable(quillbox-pane-host ${CMAKE_SOURCE_DIR}/src/pane/host/PaneHost.cpp)
target_link_libraries(quillbox-pane-host PRIVATE quillbox_pane)

# The pane's benchmarks run offscreen with Google Benchmark.
if(QB_BENCH)
  find_package(benchmark REQUIRED)
  file(GLOB QB_PANE_BENCH CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/pane_*.cpp)
  if(QB_PANE_BENCH)
    add_executable(bench_pane ${QB_PANE_BENCH} ${CMAKE_SOURCE_DIR}/bench/support/BenchEnvironment.cpp)
    target_include_directories(bench_pane PRIVATE ${CMAKE_SOURCE_DIR}/bench/support)
    target_link_libraries(bench_pane PRIVATE quillbox_pane quillbox_sandbox benchmark::benchmark)
    qb_add_bench_test(bench_pane)
  endif()
endif()
include(${CMAKE_SOURCE_DIR}/cmake/Hosts.cmake)
