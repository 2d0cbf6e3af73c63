# Embedding resource files into a library.
#
# quorvia_add_resources(<target> <list-file>)
#   The list file names one resource a line (blank lines and "#" comments are
#   skipped):
#       <TYPE> <NAME-or-ID> <path relative to the list file>
#   TYPE: a number, a standard type word (BITMAP, HTML, MANIFEST, RCDATA,
#   VERSION, ...) or any other word for a custom type (JS, GIF, CSS, ...).
#   NAME: a decimal identifier or a word. The files are compiled into the
#   target, which registers them with the platform while it is loaded, so that
#   FindResourceW, LoadImageW and res:// addresses find them. The target is
#   linked with QuorviaPlatform.
#
# quorvia_add_version_resource(<target> VERSION a.b.c.d
#                              [PRODUCT_VERSION a.b.c.d]
#                              [LANGUAGE 0x0409] [CODEPAGE 1200]
#                              [STRINGS Key=Value ...])
#   Gives the target version information (GetFileVersionInfoW,
#   VerQueryValueW). FileVersion and ProductVersion strings default to the
#   version numbers joined with ".".

set(QUORVIA_RESOURCE_COMPILER quorvia-resource-compiler)

function(quorvia_add_resources target list_file)
  get_filename_component(list_path "${list_file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(list_dir "${list_path}" DIRECTORY)
  get_filename_component(list_stem "${list_path}" NAME_WE)
  if(NOT EXISTS "${list_path}")
    message(FATAL_ERROR "quorvia_add_resources: no resource list ${list_path}")
  endif()

  # The files of the list, so that changing one rebuilds the table; changing
  # the list itself re-runs the configuration.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${list_path}")
  file(STRINGS "${list_path}" lines)
  set(inputs "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    if(NOT line MATCHES "^([^ \t]+)[ \t]+([^ \t]+)[ \t]+(.+)$")
      message(FATAL_ERROR "quorvia_add_resources: ${list_path}: bad line \"${line}\"")
    endif()
    set(file "${CMAKE_MATCH_3}")
    if(NOT IS_ABSOLUTE "${file}")
      set(file "${list_dir}/${file}")
    endif()
    list(APPEND inputs "${file}")
  endforeach()

  set(output "${CMAKE_CURRENT_BINARY_DIR}/${target}_${list_stem}_resources.cpp")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${QUORVIA_RESOURCE_COMPILER} "${list_path}" "${output}"
    DEPENDS ${QUORVIA_RESOURCE_COMPILER} "${list_path}" ${inputs}
    COMMENT "Embedding the resources of ${target} (${list_stem})"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
  target_link_libraries(${target} PRIVATE QuorviaPlatform)
endfunction()

function(_quorvia_write_if_changed path content)
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${content}")
endfunction()

function(quorvia_add_version_resource target)
  cmake_parse_arguments(V "" "VERSION;PRODUCT_VERSION;LANGUAGE;CODEPAGE" "STRINGS" ${ARGN})
  set(version_pattern "^[0-9]+([.,] *[0-9]+)?([.,] *[0-9]+)?([.,] *[0-9]+)?$")
  if(NOT V_VERSION OR NOT V_VERSION MATCHES "${version_pattern}")
    message(FATAL_ERROR "quorvia_add_version_resource(${target}): VERSION a.b.c.d is required")
  endif()
  set(content "FILEVERSION ${V_VERSION}\n")
  if(V_PRODUCT_VERSION)
    if(NOT V_PRODUCT_VERSION MATCHES "${version_pattern}")
      message(FATAL_ERROR "quorvia_add_version_resource(${target}): bad PRODUCT_VERSION")
    endif()
    string(APPEND content "PRODUCTVERSION ${V_PRODUCT_VERSION}\n")
  endif()
  if(V_LANGUAGE)
    string(APPEND content "LANGUAGE ${V_LANGUAGE}\n")
  endif()
  if(V_CODEPAGE)
    string(APPEND content "CODEPAGE ${V_CODEPAGE}\n")
  endif()
  foreach(entry IN LISTS V_STRINGS)
    if(NOT entry MATCHES "^[^=]+=")
      message(FATAL_ERROR "quorvia_add_version_resource(${target}): STRINGS entries are Key=Value, not \"${entry}\"")
    endif()
    string(APPEND content "STRING ${entry}\n")
  endforeach()

  # Written only when they change, so an unchanged version rebuilds nothing.
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}_version")
  _quorvia_write_if_changed("${dir}/version.txt" "${content}")
  _quorvia_write_if_changed("${dir}/version.list" "VERSION 1 version.txt\n")
  quorvia_add_resources(${target} "${dir}/version.list")
endfunction()
