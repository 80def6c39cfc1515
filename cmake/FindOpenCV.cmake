# Debian ships OpenCV's CMake package only with libopencv-dev, which drags in every module (video, dnn,
# GUI back-ends). We need three modules, so find exactly those from their own -dev packages.
find_path(OpenCV_INCLUDE_DIRS opencv2/core.hpp PATH_SUFFIXES opencv4)
set(OpenCV_LIBS)
set(_opencv_missing)
foreach(_module IN LISTS OpenCV_FIND_COMPONENTS)
  find_library(OpenCV_${_module}_LIBRARY NAMES opencv_${_module})
  if(OpenCV_${_module}_LIBRARY AND NOT TARGET OpenCV::${_module})
    add_library(OpenCV::${_module} SHARED IMPORTED)
    set_target_properties(OpenCV::${_module} PROPERTIES
      IMPORTED_LOCATION "${OpenCV_${_module}_LIBRARY}"
      INTERFACE_INCLUDE_DIRECTORIES "${OpenCV_INCLUDE_DIRS}")
  endif()
  if(OpenCV_${_module}_LIBRARY)
    list(APPEND OpenCV_LIBS OpenCV::${_module})
  else()
    list(APPEND _opencv_missing opencv_${_module})
  endif()
endforeach()
if(OpenCV_INCLUDE_DIRS AND EXISTS "${OpenCV_INCLUDE_DIRS}/opencv2/core/version.hpp")
  file(STRINGS "${OpenCV_INCLUDE_DIRS}/opencv2/core/version.hpp" _v REGEX "#define CV_VERSION_(MAJOR|MINOR|REVISION) ")
  string(REGEX REPLACE ".*MAJOR +([0-9]+).*MINOR +([0-9]+).*REVISION +([0-9]+).*" "\\1.\\2.\\3" OpenCV_VERSION "${_v}")
endif()
if(NOT _opencv_missing)
  set(_opencv_all_modules TRUE)
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(OpenCV REQUIRED_VARS OpenCV_INCLUDE_DIRS _opencv_all_modules VERSION_VAR OpenCV_VERSION
  REASON_FAILURE_MESSAGE "missing: ${_opencv_missing}")
