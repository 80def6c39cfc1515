# One place for the warning flags of every target of the project.
add_library(vorne_warnings INTERFACE)
target_compile_options(vorne_warnings INTERFACE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
if(VORNE_WERROR)
  target_compile_options(vorne_warnings INTERFACE -Werror)
endif()
