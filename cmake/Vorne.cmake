# VORNE's own code: one shared library, libvorne.so in $KORADIR/bin, loadable by the suite like any
# plug-in; the executable is a thin main over it. Sources are globbed per folder so that new classes need
# no CMake edit.
set(VORNE_SOURCE_FOLDERS app items executor results mainwindow viewers resources)
set(VORNE_SOURCES)
foreach(_folder IN LISTS VORNE_SOURCE_FOLDERS)
  file(GLOB _folder_sources CONFIGURE_DEPENDS
    "${PROJECT_SOURCE_DIR}/${_folder}/*.cpp"
    "${PROJECT_SOURCE_DIR}/${_folder}/*.h"
    "${PROJECT_SOURCE_DIR}/${_folder}/*.ui"
    "${PROJECT_SOURCE_DIR}/${_folder}/*.qrc")
  list(APPEND VORNE_SOURCES ${_folder_sources})
endforeach()
# main.cpp belongs to the executable, not to the library.
list(FILTER VORNE_SOURCES EXCLUDE REGEX "/app/main\\.cpp$")

add_library(vorne SHARED ${VORNE_SOURCES})
set_target_properties(vorne PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON
  # The icon bundle is written in the older resource format that every Qt 5 reads.
  AUTORCC_OPTIONS "--format-version;2")
target_include_directories(vorne PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
target_link_libraries(vorne
  PUBLIC tovil Qt5::Core Qt5::Gui Qt5::Widgets nlohmann_json::nlohmann_json
  PRIVATE vorne_warnings)
install(TARGETS vorne LIBRARY DESTINATION bin)

# The program: a thin main over the library, next to it in $KORADIR/bin.
add_executable(vorne_program "${PROJECT_SOURCE_DIR}/app/main.cpp")
set_target_properties(vorne_program PROPERTIES OUTPUT_NAME vorne)
target_link_libraries(vorne_program PRIVATE vorne vorne_warnings)
install(TARGETS vorne_program RUNTIME DESTINATION bin)
