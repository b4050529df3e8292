# Shared compile settings. Portable libraries carry no Windows headers and
# build in both configurations; *_win libraries exist only for Windows.

set(TW_WARNINGS -Wall -Wextra -Wno-unused-parameter)

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
  # One static image: the program and the tests need no DLLs beside them.
  add_link_options(-static -static-libgcc -static-libstdc++)
elseif(TW_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

function(tw_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${TW_WARNINGS})
endfunction()

# Registers every GoogleTest case of `target` with CTest. Under Wine each
# case joins the fixture that prepares the prefix and keeps a wineserver up.
function(tw_discover_tests target)
  if(WIN32)
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 180 ${ARGN})
  else()
    gtest_discover_tests(${target} ${ARGN})
  endif()
endfunction()
