# Every folder of sources becomes one target whose files are globbed, so adding a
# file never means editing a list, and a half-written folder only breaks its own target.

# pelmora_glob(<out> <dir> [EXCLUDE <regex>]): the folder's sources and headers, less those
# whose path matches the regular expression.
function(pelmora_glob out dir)
  cmake_parse_arguments(ARG "" "EXCLUDE" "" ${ARGN})
  file(GLOB_RECURSE _files CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h")
  if(ARG_EXCLUDE)
    list(FILTER _files EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  set(${out} ${_files} PARENT_SCOPE)
endfunction()

# pelmora_library(<target> <dir> [EXCLUDE <regex>] [LINKS <targets...>])
function(pelmora_library target dir)
  cmake_parse_arguments(ARG "" "EXCLUDE" "LINKS" ${ARGN})
  pelmora_glob(_files ${dir} EXCLUDE "${ARG_EXCLUDE}")
  list(FILTER _files INCLUDE REGEX "\\.cpp$")
  if(_files)
    pelmora_glob(_all ${dir} EXCLUDE "${ARG_EXCLUDE}")
    add_library(${target} STATIC ${_all})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_LINKS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_LINKS})
  endif()
endfunction()

# pelmora_test(<name> <dir> [EXCLUDE <regex>] [LINKS <targets...>]): one GoogleTest binary per
# folder, one ctest entry.
function(pelmora_test name dir)
  cmake_parse_arguments(ARG "" "EXCLUDE" "LINKS" ${ARGN})
  pelmora_glob(_files ${dir} EXCLUDE "${ARG_EXCLUDE}")
  list(FILTER _files INCLUDE REGEX "\\.cpp$")
  if(NOT _files)
    return()
  endif()
  pelmora_glob(_all ${dir} EXCLUDE "${ARG_EXCLUDE}")
  add_executable(${name} ${_all})
  target_link_libraries(${name} PRIVATE pelmora_test_main ${ARG_LINKS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600
    ENVIRONMENT "PELMORA_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data")
endfunction()

# pelmora_bench(<name> <file> [LINKS ...])
function(pelmora_bench name file)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  add_executable(${name} ${file})
  target_link_libraries(${name} PRIVATE benchmark::benchmark ${ARG_LINKS})
endfunction()
