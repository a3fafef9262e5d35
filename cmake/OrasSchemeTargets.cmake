# Precompiled headers: clang reads one lazily, so the standard, GoogleTest and Qt headers that
# nearly every file of a target includes are parsed once per target instead of once per file.
# (GCC's costs about what it saves, so a GCC build goes without.) A header costs seconds to
# build: only a target of three files or more gets one, with GoogleTest for a test program and
# Qt's headers only when most of its files include them.
# Usage: orascheme_precompile(TARGET [TEST] SOURCES files...)
set(ORASCHEME_PCH_STD <algorithm> <atomic> <chrono> <condition_variable> <cstdint> <cstdio> <cstdlib>
    <cstring> <deque> <filesystem> <fstream> <functional> <map> <memory> <mutex> <optional> <set>
    <span> <sstream> <stdexcept> <string> <string_view> <thread> <unordered_map> <utility>
    <variant> <vector>)
function(orascheme_precompile target)
  cmake_parse_arguments(P "TEST" "" "SOURCES" ${ARGN})
  list(LENGTH P_SOURCES count)
  if(NOT ORASCHEME_PCH OR count LESS 3)
    return()
  endif()
  set(headers ${ORASCHEME_PCH_STD})
  if(P_TEST)
    list(APPEND headers <gtest/gtest.h> <gmock/gmock.h>)
  endif()
  set(qt 0)
  foreach(src ${P_SOURCES})
    file(STRINGS ${src} qt_includes REGEX "^#include <Q" LIMIT_COUNT 1)
    if(qt_includes)
      math(EXPR qt "${qt} + 1")
    endif()
  endforeach()
  math(EXPR qt_share "${qt} * 2")
  if(qt_share GREATER count)
    list(APPEND headers <QtWidgets>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# One library per folder: every .cpp directly in the folder is part of it, and every .cpp of the
# sub-folders named by SUBDIRS (a library split by concern).
# Usage: orascheme_library(NAME [DIR dir] [SUBDIRS dirs...] [DEPS targets...])
function(orascheme_library name)
  cmake_parse_arguments(L "" "DIR" "DEPS;SUBDIRS" ${ARGN})
  if(NOT L_DIR)
    set(L_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(globs ${L_DIR}/*.cpp)
  foreach(sub ${L_SUBDIRS})
    list(APPEND globs ${L_DIR}/${sub}/*.cpp)
  endforeach()
  file(GLOB srcs CONFIGURE_DEPENDS ${globs})
  if(srcs)
    add_library(${name} STATIC ${srcs})
    set(scope PUBLIC)
  else()
    add_library(${name} INTERFACE)  # a folder with headers only, so far
    set(scope INTERFACE)
  endif()
  target_include_directories(${name} ${scope} ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} ${scope} ${L_DEPS} Threads::Threads)
  if(srcs AND ORASCHEME_LOCK_RULES)
    target_compile_options(${name} PRIVATE ${ORASCHEME_LOCK_RULES})
  endif()
  orascheme_precompile(${name} SOURCES ${srcs})
  set_property(GLOBAL APPEND PROPERTY ORASCHEME_LIBS ${name})
endfunction()

# One test program per tested folder: every .cpp in the folder, linked with gtest_main.
# THREADS marks a program whose tests run threads: the only ones a ThreadSanitizer tree
# (ORASCHEME_TSAN) defines, all built by the target thread_tests.
# Usage: orascheme_tests(NAME [THREADS] DEPS targets... [ENV var=value...])
function(orascheme_tests name)
  cmake_parse_arguments(T "THREADS" "" "DEPS;ENV" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs OR (ORASCHEME_TSAN AND NOT T_THREADS))
    return()
  endif()
  add_executable(test_${name} ${srcs})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(test_${name} PRIVATE ${T_DEPS} test_support GTest::gtest GTest::gmock GTest::gtest_main)
  # Test code is compiled without optimisation in every tree: what the tests check is the libraries,
  # built at the tree's level; optimising the test files themselves took a third of each tree's
  # compile time and saves the suite only seconds.
  target_compile_options(test_${name} PRIVATE -O0)
  orascheme_precompile(test_${name} TEST SOURCES ${srcs})
  if(T_THREADS)
    if(NOT TARGET thread_tests)
      add_custom_target(thread_tests)
    endif()
    add_dependencies(thread_tests test_${name})
  endif()
  target_compile_definitions(test_${name} PRIVATE
    ORASCHEME_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ORASCHEME_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # Settings a test writes (the registry store, Qt's file dialog history) go to the build tree,
  # never to the user's own: a developer's connect dialog must not learn the tests' user names.
  set(props TIMEOUT 300 ENVIRONMENT_MODIFICATION "XDG_CONFIG_HOME=set:${CMAKE_CURRENT_BINARY_DIR}/config")
  if(T_ENV)
    list(APPEND props ENVIRONMENT "${T_ENV}")
  endif()
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${props})
endfunction()

# Programs made of one file each (benchmarks, fuzz targets, stand-in tools). LINKS names what a
# program links, as stem=lib,lib (its own extras after them); a program not named there links
# every core library, so that adding one never touches a build file.
# Usage: orascheme_programs(PREFIX prefix DEPS targets... [LINKS stem=lib,lib...])
function(orascheme_programs)
  cmake_parse_arguments(P "" "PREFIX" "DEPS;LINKS" ${ARGN})
  get_property(libs GLOBAL PROPERTY ORASCHEME_LIBS)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(src ${srcs})
    get_filename_component(stem ${src} NAME_WE)
    set(own ${libs})
    foreach(entry ${P_LINKS})
      if(entry MATCHES "^${stem}=(.*)$")
        string(REPLACE "," ";" own "${CMAKE_MATCH_1}")
      endif()
    endforeach()
    add_executable(${P_PREFIX}${stem} ${src})
    target_include_directories(${P_PREFIX}${stem} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${P_PREFIX}${stem} PRIVATE ${own} ${P_DEPS})
  endforeach()
endfunction()
