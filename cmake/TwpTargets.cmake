# One helper per kind of target, so that every target gets the same warnings,
# sanitizer flags and output layout.

set(TWP_WARNINGS -Wall -Wextra -Wshadow=local -Wnon-virtual-dtor -Wcast-align)
if(TWP_WERROR)
  list(APPEND TWP_WARNINGS -Werror)
endif()

set(TWP_SANITIZER_FLAGS "")
if(TWP_SANITIZE_ADDRESS AND TWP_SANITIZE_THREAD)
  message(FATAL_ERROR "The address and thread sanitizers cannot be combined")
elseif(TWP_SANITIZE_ADDRESS)
  set(TWP_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(TWP_SANITIZE_THREAD)
  set(TWP_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
endif()

function(_twp_common target)
  target_compile_options(${target} PRIVATE ${TWP_WARNINGS} ${TWP_SANITIZER_FLAGS})
  target_link_options(${target} PRIVATE ${TWP_SANITIZER_FLAGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# twp_library(NAME SOURCES ... DEPS ...): an internal shared library (lib<NAME>.so).
# Shared, so that one process has one copy of process-wide state such as the
# handle table, whichever plug-in calls it.
function(twp_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  _twp_common(${name})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# twp_plugin(NAME SOURCES ... DEPS ...): a deliverable shared library loaded by
# name at run time (TWAPI2.so, TwpShre2.so, ...), so it carries no "lib" prefix.
function(twp_plugin name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so")
  _twp_common(${name})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# twp_program(NAME SOURCES ... DEPS ...): an executable.
function(twp_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  _twp_common(${name})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# twp_test(NAME SOURCES ... DEPS ... [LABELS ...]): a GoogleTest program, each
# test case registered with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)
function(twp_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  _twp_common(${name})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} twtest_main GTest::gtest GTest::gmock)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()
