# The Qt layers: the notes pane and the browser window.
find_package(Qt6 COMPONENTS Widgets QUIET)
if(NOT Qt6_FOUND)
  message(STATUS "Qt 6 not found: the user interface is not built")
  return()
endif()
