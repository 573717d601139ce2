# cmake -DSOURCE_DIR=<repository> -P CheckFloors.cmake
# Fails when a floor includes a header of a floor above it or beside it. The libraries' link
# order stops calls that climb; this also stops the headers, whose inline code and types link
# anyway. Each rule: a folder, then the folders its files must not include.
set(_rules
  "core:app"
  "app/platform:app/ui app/signin app/screens app/shell"
  "app/ui:app/signin app/screens app/shell"
  "app/signin:app/ui app/screens app/shell"
  "app/screens:app/shell")

set(_found "")
foreach(_rule IN LISTS _rules)
  string(REPLACE ":" ";" _parts "${_rule}")
  list(GET _parts 0 _floor)
  list(GET _parts 1 _above)
  string(REPLACE " " "|" _above "${_above}")
  file(GLOB_RECURSE _files "${SOURCE_DIR}/${_floor}/*.h" "${SOURCE_DIR}/${_floor}/*.cpp")
  foreach(_file IN LISTS _files)
    file(STRINGS "${_file}" _lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"(${_above})/")
    foreach(_line IN LISTS _lines)
      file(RELATIVE_PATH _name "${SOURCE_DIR}" "${_file}")
      string(APPEND _found "  ${_name}: ${_line}\n")
    endforeach()
  endforeach()
endforeach()

if(_found)
  message(FATAL_ERROR "Includes that climb a floor or cross to one beside it:\n${_found}")
endif()
