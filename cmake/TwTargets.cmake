# Shared compile settings. Portable libraries carry no Windows headers and
# build in both configurations; *_win libraries exist only for Windows.

# A switch over one of our enumerations names every value, without a
# default, so that a new value is a compile error until each place decides.
set(TW_WARNINGS -Wall -Wextra -Wno-unused-parameter -Wswitch-enum)
option(TW_WERROR "Treat warnings as errors (CI)" OFF)
if(TW_WERROR)
  # GCC 12 at -O2 reports std::string concatenations as overlapping copies
  # and strings in aggregate tables as uninitialised: known false positives
  # of its inliner, so these two stay warnings.
  list(APPEND TW_WARNINGS -Werror -Wno-error=restrict -Wno-error=maybe-uninitialized)
endif()

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
  # One static image: the program and the tests need no DLLs beside them.
  add_link_options(-static -static-libgcc -static-libstdc++)
elseif(TW_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Each top-level folder is a layer, and a library sees only its own layer
# plus what it links: the include root of layer L is a build folder holding
# one link, L -> the source folder, so `#include "L/x.h"` resolves only for
# targets that link a library of L. An include against the direction fails
# to build instead of compiling silently.
function(tw_layer_include_dir layer out)
  set(dir ${CMAKE_BINARY_DIR}/layers/${layer})
  if(NOT EXISTS ${dir}/${layer})
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${layer} ${dir}/${layer} SYMBOLIC)
  endif()
  set(${out} ${dir} PARENT_SCOPE)
endfunction()

function(tw_library name)
  add_library(${name} STATIC ${ARGN})
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REGEX REPLACE "/.*" "" layer "${rel}")
  tw_layer_include_dir(${layer} dir)
  target_include_directories(${name} PUBLIC ${dir})
  target_compile_options(${name} PRIVATE ${TW_WARNINGS})
endfunction()

# Registers every GoogleTest case of `target` with CTest. Under Wine each
# case joins the fixture that prepares the prefix and keeps a wineserver up,
# and the fixtures named after FIXTURES; the other arguments are test
# properties.
function(tw_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 TW "" "" "FIXTURES")
  if(WIN32)
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 180 ${TW_UNPARSED_ARGUMENTS})
    if(TW_FIXTURES)
      # A list does not survive the discovery script as a property value, so
      # the fixtures are set on the discovered cases afterwards.
      set(fixtures wine ${TW_FIXTURES})
      set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_fixtures.cmake)
      file(WRITE ${script}
        "if(${target}_TESTS)\n"
        "  set_tests_properties(\${${target}_TESTS} PROPERTIES FIXTURES_REQUIRED \"${fixtures}\")\n"
        "endif()\n")
      set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
    endif()
  else()
    gtest_discover_tests(${target} ${TW_UNPARSED_ARGUMENTS})
  endif()
endfunction()

# A libFuzzer target. With TW_FUZZ (clang) it is built for libFuzzer, for
# long runs (scripts/fuzz.sh); in the native build it replays its corpus
# once as a test, under the native build's sanitizers. Either way it lands
# in build/<tree>/fuzzers.
function(tw_fuzzer name)
  cmake_parse_arguments(PARSE_ARGV 1 TW "" "CORPUS" "SOURCES;LIBRARIES")
  if(TW_FUZZ)
    add_executable(${name} ${TW_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined
                           -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  else()
    add_executable(${name} ${TW_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/fuzz_replay_main.cpp)
    add_test(NAME ${name}_corpus COMMAND ${name} ${TW_CORPUS})
  endif()
  target_compile_options(${name} PRIVATE ${TW_WARNINGS})
  target_link_libraries(${name} PRIVATE ${TW_LIBRARIES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
endfunction()

# The program with `version` (three fields) in its version resource: the
# release (app/), and the next one for the package's upgrade test. The
# calling folder reads resources as UTF-8 (CMAKE_RC_FLAGS -c 65001).
function(tw_program name version)
  set(PROJECT_VERSION ${version})
  string(REPLACE "." ";" fields ${version})
  list(GET fields 0 PROJECT_VERSION_MAJOR)
  list(GET fields 1 PROJECT_VERSION_MINOR)
  list(GET fields 2 PROJECT_VERSION_PATCH)
  configure_file(${PROJECT_SOURCE_DIR}/resources/version.h.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${name}_version/version.h)
  add_executable(${name} WIN32 ${PROJECT_SOURCE_DIR}/app/main_win.cpp
                 ${PROJECT_SOURCE_DIR}/resources/app.rc)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${name}_version)
  target_link_libraries(${name} PRIVATE tw_app_win)
  target_link_options(${name} PRIVATE -municode)
  target_compile_options(${name} PRIVATE ${TW_WARNINGS})
endfunction()

# The program's folder is the user's to write, and the loader looks there
# first for every imported library outside the system's known set (which
# it takes from System32 whatever the folder holds). Those libraries are
# delay-loaded instead: loaded at their first call, after the program has
# limited the search to System32. `tw_delayed_<lib>` replaces `<lib>` in a
# link; the delay-import archive is made from mingw-w64's import library.
function(tw_delayed lib)
  set(target tw_delayed_${lib})
  if(TARGET ${target})
    return()
  endif()
  find_library(TW_IMPORT_LIB_${lib} NAMES lib${lib}.a REQUIRED)
  execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${TW_IMPORT_LIB_${lib}}
                  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "__imp_[A-Za-z0-9_]+" imports "${symbols}")
  list(REMOVE_DUPLICATES imports)
  list(TRANSFORM imports REPLACE "^__imp_" "  ")
  list(JOIN imports "\n" exports)
  set(dir ${CMAKE_BINARY_DIR}/delayed)
  file(CONFIGURE OUTPUT ${dir}/${lib}.def CONTENT "LIBRARY ${lib}.dll\nEXPORTS\n${exports}\n")
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${dir}/${lib}.def --dllname ${lib}.dll
                          --output-delaylib ${dir}/lib${lib}_delayed.a COMMAND_ERROR_IS_FATAL ANY)
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${dir}/lib${lib}_delayed.a)
endfunction()
