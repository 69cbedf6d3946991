# The hosts: the band object framework with its registration, the standalone browser window
# and the program `quillbox` (Qt Widgets + Qt WebEngine), built at the top of the build folder.
find_package(Qt6 COMPONENTS WebEngineWidgets PrintSupport QUIET)
if(NOT Qt6WebEngineWidgets_FOUND OR NOT Qt6PrintSupport_FOUND)
  message(FATAL_ERROR "Qt 6 WebEngine or PrintSupport not found: install them (scripts/install-deps.sh) "
                      "or configure with -DQB_GUI=OFF to build the core alone")
endif()

file(GLOB QB_HOSTS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/hosts/*.cpp)
list(REMOVE_ITEM QB_HOSTS_SOURCES ${CMAKE_SOURCE_DIR}/src/hosts/main.cpp)
add_library(quillbox_hosts STATIC ${QB_HOSTS_SOURCES})
set_target_properties(quillbox_hosts PROPERTIES AUTOMOC ON)
target_include_directories(quillbox_hosts PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quillbox_hosts PUBLIC quillbox_pane qb_favorites
  Qt6::Widgets Qt6::WebEngineWidgets Qt6::PrintSupport)

add_executable(quillbox ${CMAKE_SOURCE_DIR}/src/hosts/main.cpp)
target_link_libraries(quillbox PRIVATE quillbox_hosts)
set_target_properties(quillbox PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
