# A suite plug-in is a shared library lib<name>.so in $KORADIR/bin exporting ListPlugins and
# CreatePluginInstanceEx; every other symbol stays hidden so plug-ins never clash.
function(kora_add_plugin name)
  add_library(${name} MODULE ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "lib" CXX_VISIBILITY_PRESET hidden)
  target_link_libraries(${name} PRIVATE tovil vorne_warnings)
  install(TARGETS ${name} LIBRARY DESTINATION bin)
endfunction()
