# Run as a test (cmake -DSOURCE_DIR=... -P layers.cmake): a folder includes only headers of its own layer
# or of a lower one, so that the core stays free of the GUI and the viewers stay free of the main window.
# Each rule: a folder, and the folders it must never include from.
set(_rules
  "items|app mainwindow viewers tools"
  "executor|app mainwindow viewers tools"
  "results|app mainwindow viewers tools"
  "tools|app mainwindow viewers"
  "viewers|app mainwindow")
set(_broken "")
foreach(_rule IN LISTS _rules)
  string(REPLACE "|" ";" _parts "${_rule}")
  list(GET _parts 0 _folder)
  list(GET _parts 1 _above)
  string(REPLACE " " "|" _above "${_above}")
  file(GLOB _files "${SOURCE_DIR}/${_folder}/*.h" "${SOURCE_DIR}/${_folder}/*.cpp")
  foreach(_file IN LISTS _files)
    file(STRINGS "${_file}" _lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"(${_above})/")
    foreach(_line IN LISTS _lines)
      file(RELATIVE_PATH _name "${SOURCE_DIR}" "${_file}")
      string(APPEND _broken "\n  ${_name}: ${_line}")
    endforeach()
  endforeach()
endforeach()
if(_broken)
  message(FATAL_ERROR "A lower layer includes a higher one:${_broken}")
endif()
