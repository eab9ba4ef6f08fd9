# The heavy adapters are plugins: shared objects the programs load on first use (platform/Devices).
# Build-in-place programs find them in the build's plugin folder, installed ones in
# <prefix>/lib/cantovex3/plugins; CANTOVEX_PLUGIN_DIR overrides both.
set(CANTOVEX_PLUGIN_BUILD_DIR ${PROJECT_BINARY_DIR}/lib/cantovex3/plugins)
# Not GNUInstallDirs' multiarch libdir: the programs find their plugins at one path relative to
# their own folder, whatever the prefix.
set(CANTOVEX_PLUGIN_INSTALL_DIR lib/cantovex3/plugins)

# An adapter: its sources compiled once (position independent) into a static library for its own
# tests and into the plugin <plugin> (file <plugin>.so) with the entry points in entry.
# The plugin does not link the core: it calls the core functions of the program that loads it.
function(cantovex_adapter name)
  cmake_parse_arguments(ARG "" "PLUGIN;ENTRY" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name}_objects OBJECT ${ARG_SOURCES})
  set_target_properties(${name}_objects PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(${name}_objects PUBLIC cantovex_core_headers ${ARG_DEPENDS})
  cantovex_warnings(${name}_objects)

  add_library(${name} STATIC $<TARGET_OBJECTS:${name}_objects>)
  target_link_libraries(${name} PUBLIC cantovex_core ${ARG_DEPENDS})

  add_library(${name}_plugin MODULE ${ARG_ENTRY} $<TARGET_OBJECTS:${name}_objects>)
  target_link_libraries(${name}_plugin PRIVATE cantovex_core_headers ${ARG_DEPENDS})
  set_target_properties(${name}_plugin PROPERTIES PREFIX "" OUTPUT_NAME ${ARG_PLUGIN}
    LIBRARY_OUTPUT_DIRECTORY ${CANTOVEX_PLUGIN_BUILD_DIR})
  cantovex_warnings(${name}_plugin)
  install(TARGETS ${name}_plugin LIBRARY DESTINATION ${CANTOVEX_PLUGIN_INSTALL_DIR})
  # Every program that loads plugins builds them too.
  set_property(GLOBAL APPEND PROPERTY CANTOVEX_PLUGINS ${name}_plugin)
endfunction()

# A program that loads the plugins: it exports its symbols and carries the whole core, so a plugin
# finds every core function it calls in the program (one copy of the core, one user language).
function(cantovex_plugin_host target)
  set_target_properties(${target} PROPERTIES ENABLE_EXPORTS ON)
  target_link_libraries(${target} PRIVATE cantovex_devices)
  set(archives)
  foreach(lib ${CANTOVEX_CORE_LIBRARIES})
    list(APPEND archives $<TARGET_FILE:${lib}>)
  endforeach()
  list(JOIN archives " " archives)
  target_link_options(${target} PRIVATE "SHELL:-Wl,--whole-archive ${archives} -Wl,--no-whole-archive")
  get_property(plugins GLOBAL PROPERTY CANTOVEX_PLUGINS)
  if(plugins)
    add_dependencies(${target} ${plugins})
  endif()
endfunction()
