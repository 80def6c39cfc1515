# VORNE's own code in two layers, each one shared library in $KORADIR/bin:
#   vorne_core  items/ executor/ results/ — items, text lists, the executor, output naming, the records,
#               table and report of finished indices; Qt Core only, so that
#               the headless runner carries no GUI. A GUI header included here fails to build.
#   vorne       app/ mainwindow/ viewers/ resources/ on top of it; loadable by the suite like any plug-in
#               (%KORADIR%/bin/vorne::Vorne). The executable is a thin main over it.
# Sources are globbed per folder so that new classes need no CMake edit.
function(vorne_folder_sources out)
  set(_sources)
  foreach(_folder IN LISTS ARGN)
    file(GLOB _folder_sources CONFIGURE_DEPENDS
      "${PROJECT_SOURCE_DIR}/${_folder}/*.cpp"
      "${PROJECT_SOURCE_DIR}/${_folder}/*.h"
      "${PROJECT_SOURCE_DIR}/${_folder}/*.ui"
      "${PROJECT_SOURCE_DIR}/${_folder}/*.qrc")
    list(APPEND _sources ${_folder_sources})
  endforeach()
  set(${out} ${_sources} PARENT_SCOPE)
endfunction()

# What a batch header names as the build: the source revision when the sources are a git checkout at
# configure time ("unknown" otherwise, as in a tarball), and the date of the configuration.
set(VORNE_SOURCE_REVISION "unknown")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${PROJECT_SOURCE_DIR}" rev-parse --short=12 HEAD
    OUTPUT_VARIABLE _vorne_revision RESULT_VARIABLE _vorne_git_status OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(_vorne_git_status EQUAL 0 AND _vorne_revision)
    set(VORNE_SOURCE_REVISION "${_vorne_revision}")
  endif()
endif()
string(TIMESTAMP VORNE_BUILD_DATE "%Y-%m-%d" UTC)
configure_file("${PROJECT_SOURCE_DIR}/cmake/buildinfo.h.in" "${CMAKE_BINARY_DIR}/generated/buildinfo.h" @ONLY)

vorne_folder_sources(VORNE_CORE_SOURCES items executor results)
add_library(vorne_core SHARED ${VORNE_CORE_SOURCES})
set_target_properties(vorne_core PROPERTIES AUTOMOC ON)
target_include_directories(vorne_core PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
target_include_directories(vorne_core PRIVATE "${CMAKE_BINARY_DIR}/generated")
target_link_libraries(vorne_core PUBLIC tovil Qt::Core nlohmann_json::nlohmann_json PRIVATE vorne_warnings PkgConfig::XXHASH)
# A GUI type reached through a qualified include (<QtGui/QIcon>) still fails: at this link, not later.
# Clang leaves the sanitizer runtimes to the executable, so its sanitized libraries (the fuzz build) have
# undefined symbols by design.
if(NOT (CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND CMAKE_CXX_FLAGS MATCHES "-fsanitize="))
  target_link_options(vorne_core PRIVATE -Wl,--no-undefined)
endif()
install(TARGETS vorne_core LIBRARY DESTINATION bin)

vorne_folder_sources(VORNE_SOURCES app mainwindow viewers resources)
# main.cpp belongs to the executable, not to the library.
list(FILTER VORNE_SOURCES EXCLUDE REGEX "/app/main\\.cpp$")
add_library(vorne SHARED ${VORNE_SOURCES})
set_target_properties(vorne PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON
  # The icon bundle is written in the older resource format that every Qt 5 reads.
  AUTORCC_OPTIONS "--format-version;2")
target_link_libraries(vorne
  PUBLIC vorne_core Qt::Core Qt::Gui Qt::Widgets
  PRIVATE vorne_warnings)
install(TARGETS vorne LIBRARY DESTINATION bin)

# The program: a thin main over the library, next to it in $KORADIR/bin.
add_executable(vorne_program "${PROJECT_SOURCE_DIR}/app/main.cpp")
set_target_properties(vorne_program PROPERTIES OUTPUT_NAME vorne)
target_link_libraries(vorne_program PRIVATE vorne vorne_warnings)
install(TARGETS vorne_program RUNTIME DESTINATION bin)
