# Helpers that keep every folder's target alike.

# Unity builds: each target's sources are compiled a batch of files at a time, as one
# translation unit per batch, so that the headers they share (the standard library, GoogleTest,
# the station's own) are parsed and their inline code generated once per batch instead of once
# per file: the builds take about half the time. Batches follow the order of the file names, so
# a new file moves the later ones to other batches. The files of a batch share one translation
# unit: two files of a folder that define one name at file scope (in an anonymous namespace or
# `static`) differently cannot share a batch, and the compiler says so ("redefinition of ...").
# Such a file keeps a translation unit of its own: station_compile_apart() below, called beside
# the target, lists it (or a more precise name ends the clash). -DSTATION_UNITY_BUILD=OFF
# compiles file by file, as a quick way to tell such a clash from a real error.
option(STATION_UNITY_BUILD "Compile each target's sources in batches (unity build)" ON)
# Measured on the test binaries: 16 files of a batch cost a third of the same files compiled
# one by one, and larger batches save little more.
set(STATION_UNITY_BATCH_LIBRARY 16 CACHE STRING "Files per unity batch of a library")
set(STATION_UNITY_BATCH_TESTS 16 CACHE STRING "Files per unity batch of a test binary")

# station_unity_build(<target> <batch size>): compiles the target's sources in batches.
function(station_unity_build target batch_size)
  if(STATION_UNITY_BUILD)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${batch_size})
  endif()
endfunction()

# station_compile_apart(<folder> <files...>): files (relative to <folder>, below the source
# root) that define a file-scope name another file of their target defines too; each is
# compiled on its own, outside the unity batches. Call it in the folder that makes the target.
function(station_compile_apart folder)
  list(TRANSFORM ARGN PREPEND "${CMAKE_SOURCE_DIR}/${folder}/")
  set_source_files_properties(${ARGN} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()

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
