# Building Audio Unit component bundles.
#
# pw_add_component(<target>
#   NAME <Name>                       bundle and executable name
#   SOURCES <files...>                sources compiled into the component
#   LIBS <targets...>                 static libraries (PlatformShim is always
#                                     linked, as the one shared library)
#   INFO_PLIST <template>             configured into Contents/Info.plist
#   RESOURCES <files...>              copied into Contents/Resources
#   EXPORTS <symbols...>              the only symbols the library exports
#                                     (default: <Name>_Factory <Name>_Entry)
#   [BUNDLE_ID <id>]                  CFBundleIdentifier
#   [VERSION <major.minor.patch>]     CFBundleVersion (default: project version)
#   [AU_TYPE <code>]                  four-character component type (aufx)
#   [AU_SUBTYPE <code>]               four-character plug-in code
#   [AU_MANUFACTURER <code>]          four-character manufacturer code
#   [AU_NAME <text>]                  "Maker: Product" as hosts list it
#   [FACTORY <symbol>]                factory function (default <Name>_Factory)
#   [OUTPUT_DIRECTORY <dir>])         where <Name>.component goes
#                                     (default: the top of the build tree)
#
# Produces <dir>/<Name>.component/Contents/{MacOS/<Name>,Info.plist,Resources/}.
# The executable is a shared library built with hidden visibility, no
# undefined symbols and a linker version script, so that its dynamic symbol
# table holds exactly the EXPORTS. The bundle's folder is stored in the
# target property PW_COMPONENT_BUNDLE_DIR.
#
# Template variables: @PW_COMPONENT_EXECUTABLE@, @PW_COMPONENT_BUNDLE_ID@,
# @PW_COMPONENT_VERSION@, @PW_COMPONENT_AU_TYPE@, @PW_COMPONENT_AU_SUBTYPE@,
# @PW_COMPONENT_AU_MANUFACTURER@, @PW_COMPONENT_AU_NAME@,
# @PW_COMPONENT_AU_VERSION@ (the packed major << 16 | minor << 8 | patch),
# @PW_COMPONENT_FACTORY@; every text is XML-escaped.

set(PW_COMPONENT_PLIST_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/ComponentInfo.plist.in)

function(_pw_xml_escape out text)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(_pw_check_four_char_code what code)
  string(LENGTH "${code}" _len)
  if(NOT _len EQUAL 4 OR NOT code MATCHES "^[ -~]+$")
    message(FATAL_ERROR "pw_add_component: ${what} '${code}' must be four printable ASCII characters")
  endif()
endfunction()

# pw_find_system_font(<out-var> <file name>): the full path of a font file
# installed under /usr/share/fonts; a configuration error naming the Debian
# package when it is missing.
function(pw_find_system_font out name package)
  file(GLOB_RECURSE _found LIST_DIRECTORIES false "/usr/share/fonts/${name}" "/usr/share/fonts/*/${name}")
  if(NOT _found)
    message(FATAL_ERROR "${name} not found under /usr/share/fonts: install the Debian package ${package} (scripts/deps does)")
  endif()
  list(SORT _found)
  list(GET _found 0 _first)
  set(${out} ${_first} PARENT_SCOPE)
endfunction()

function(pw_add_component target)
  cmake_parse_arguments(ARG ""
    "NAME;INFO_PLIST;BUNDLE_ID;VERSION;AU_TYPE;AU_SUBTYPE;AU_MANUFACTURER;AU_NAME;FACTORY;OUTPUT_DIRECTORY"
    "SOURCES;LIBS;RESOURCES;EXPORTS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "pw_add_component: unexpected arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_NAME OR NOT ARG_NAME MATCHES "^[A-Za-z0-9_]+$")
    message(FATAL_ERROR "pw_add_component: NAME must be letters, digits and underscores")
  endif()
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "pw_add_component: ${target} has no SOURCES")
  endif()
  if(NOT ARG_INFO_PLIST)
    set(ARG_INFO_PLIST ${PW_COMPONENT_PLIST_TEMPLATE})
  endif()
  if(NOT ARG_EXPORTS)
    set(ARG_EXPORTS ${ARG_NAME}_Factory ${ARG_NAME}_Entry)
  endif()
  if(NOT ARG_FACTORY)
    set(ARG_FACTORY ${ARG_NAME}_Factory)
  endif()
  if(NOT ARG_FACTORY IN_LIST ARG_EXPORTS)
    message(FATAL_ERROR "pw_add_component: the factory ${ARG_FACTORY} must be among the EXPORTS")
  endif()
  if(NOT ARG_BUNDLE_ID)
    set(ARG_BUNDLE_ID "com.pressweave.audiounit.${ARG_NAME}")
  endif()
  if(NOT ARG_VERSION)
    set(ARG_VERSION ${PROJECT_VERSION})
  endif()
  if(NOT ARG_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "pw_add_component: VERSION '${ARG_VERSION}' must be major.minor.patch")
  endif()
  math(EXPR _packed "(${CMAKE_MATCH_1} << 16) | (${CMAKE_MATCH_2} << 8) | ${CMAKE_MATCH_3}")
  if(NOT ARG_AU_TYPE)
    set(ARG_AU_TYPE aufx)
  endif()
  if(NOT ARG_AU_NAME)
    set(ARG_AU_NAME ${ARG_NAME})
  endif()
  _pw_check_four_char_code(AU_TYPE "${ARG_AU_TYPE}")
  _pw_check_four_char_code(AU_SUBTYPE "${ARG_AU_SUBTYPE}")
  _pw_check_four_char_code(AU_MANUFACTURER "${ARG_AU_MANUFACTURER}")
  if(NOT ARG_OUTPUT_DIRECTORY)
    set(ARG_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  endif()

  set(_bundle ${ARG_OUTPUT_DIRECTORY}/${ARG_NAME}.component)
  set(_contents ${_bundle}/Contents)

  # Info.plist: configured next to the target's build files, copied into the
  # bundle by the build (so a bundle deleted by hand is laid out again).
  set(PW_COMPONENT_EXECUTABLE ${ARG_NAME})
  set(PW_COMPONENT_AU_VERSION ${_packed})
  _pw_xml_escape(PW_COMPONENT_BUNDLE_ID "${ARG_BUNDLE_ID}")
  _pw_xml_escape(PW_COMPONENT_VERSION "${ARG_VERSION}")
  _pw_xml_escape(PW_COMPONENT_AU_TYPE "${ARG_AU_TYPE}")
  _pw_xml_escape(PW_COMPONENT_AU_SUBTYPE "${ARG_AU_SUBTYPE}")
  _pw_xml_escape(PW_COMPONENT_AU_MANUFACTURER "${ARG_AU_MANUFACTURER}")
  _pw_xml_escape(PW_COMPONENT_AU_NAME "${ARG_AU_NAME}")
  _pw_xml_escape(PW_COMPONENT_FACTORY "${ARG_FACTORY}")
  set(_plist_staged ${CMAKE_CURRENT_BINARY_DIR}/${target}.Info.plist)
  configure_file(${ARG_INFO_PLIST} ${_plist_staged} @ONLY)

  set(_bundle_files)
  add_custom_command(OUTPUT ${_contents}/Info.plist
    COMMAND ${CMAKE_COMMAND} -E copy ${_plist_staged} ${_contents}/Info.plist
    DEPENDS ${_plist_staged}
    COMMENT "Laying out ${ARG_NAME}.component/Contents/Info.plist"
    VERBATIM)
  list(APPEND _bundle_files ${_contents}/Info.plist)
  foreach(_res ${ARG_RESOURCES})
    if(NOT EXISTS ${_res})
      message(FATAL_ERROR "pw_add_component: resource ${_res} does not exist")
    endif()
    get_filename_component(_res_name ${_res} NAME)
    add_custom_command(OUTPUT ${_contents}/Resources/${_res_name}
      COMMAND ${CMAKE_COMMAND} -E copy ${_res} ${_contents}/Resources/${_res_name}
      DEPENDS ${_res}
      COMMENT "Copying ${_res_name} into ${ARG_NAME}.component"
      VERBATIM)
    list(APPEND _bundle_files ${_contents}/Resources/${_res_name})
  endforeach()
  add_custom_target(${target}_bundle DEPENDS ${_bundle_files})

  # The export list as a version script: every symbol not named is local.
  set(_map ${CMAKE_CURRENT_BINARY_DIR}/${target}.exports.map)
  set(_map_text "{\n  global:\n")
  foreach(_sym ${ARG_EXPORTS})
    if(NOT _sym MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
      message(FATAL_ERROR "pw_add_component: '${_sym}' is not a C symbol name")
    endif()
    string(APPEND _map_text "    ${_sym};\n")
  endforeach()
  string(APPEND _map_text "  local:\n    *;\n};\n")
  file(CONFIGURE OUTPUT ${_map} CONTENT "${_map_text}")

  add_library(${target} SHARED ${ARG_SOURCES})
  add_dependencies(${target} ${target}_bundle)
  # Our own libraries go in statically; PlatformShim stays the one shared copy
  # of the platform registries that the host also uses.
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} PlatformShim)
  target_link_options(${target} PRIVATE ${PW_NO_UNDEFINED} -Wl,--version-script=${_map})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${ARG_NAME}
    PREFIX ""
    SUFFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${_contents}/MacOS
    CXX_VISIBILITY_PRESET hidden
    C_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${_map}
    PW_COMPONENT_BUNDLE_DIR ${_bundle}
    PW_COMPONENT_EXPORTS "${ARG_EXPORTS}")
endfunction()
