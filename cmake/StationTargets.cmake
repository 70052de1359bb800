# Helpers that keep every folder's target alike.

include("${CMAKE_CURRENT_LIST_DIR}/UnityBuild.cmake")

# station_library(<name> [DEPS <targets...>] [SYSTEM_DEPS <libs...>])
# Builds every .cpp below src/<name>/ (sub-folders too) into the library
# target station_<name>; headers are included as "<name>/File.h".
function(station_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SYSTEM_DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${CMAKE_SOURCE_DIR}/src/${name}/*.cpp")
  foreach(pattern IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()
  add_library(station_${name} STATIC ${sources})
  target_include_directories(station_${name} PUBLIC "${CMAKE_SOURCE_DIR}/src")
  target_link_libraries(station_${name} PUBLIC ${ARG_DEPS} ${ARG_SYSTEM_DEPS})
  station_unity_build(station_${name} ${STATION_UNITY_BATCH_LIBRARY})
endfunction()

# station_tests(<folder> LABEL <label> DEPS <targets...>)
# One GoogleTest binary per tests/ folder. Test suites whose name ends in
# "Threads" are labelled "threads" as well, so they run under ThreadSanitizer.
function(station_tests folder)
  cmake_parse_arguments(ARG "" "LABEL" "DEPS;SOURCES_DIR" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  string(REPLACE "/" "_" target "${folder}")
  set(target "${target}_tests")
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp")
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE "${CMAKE_SOURCE_DIR}/tests" "${CMAKE_SOURCE_DIR}/src")
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} station_testsupport GTest::gtest GTest::gmock)
  target_compile_definitions(${target} PRIVATE
    STATION_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  station_unity_build(${target} ${STATION_UNITY_BATCH_TESTS})
  add_dependencies(test_binaries ${target})
  gtest_discover_tests(${target}
    TEST_FILTER "-*Threads.*"
    PROPERTIES LABELS "${ARG_LABEL}"
    DISCOVERY_TIMEOUT 60)
  gtest_discover_tests(${target}
    TEST_FILTER "*Threads.*"
    TEST_LIST ${target}_THREADS
    DISCOVERY_TIMEOUT 60)
  # A label list cannot pass through the discovery's PROPERTIES (it is flattened there), so
  # a script that ctest includes after the discovered tests sets both labels.
  set(label_script "${CMAKE_CURRENT_BINARY_DIR}/${target}_threads_labels.cmake")
  file(WRITE "${label_script}"
    "foreach(test_name IN LISTS ${target}_THREADS)\n"
    "  set_tests_properties(\"\${test_name}\" PROPERTIES LABELS \"${ARG_LABEL};threads\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${label_script}")
endfunction()
