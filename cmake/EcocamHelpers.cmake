# Build helpers shared by every folder.

# ecocam_add_subdirectories(dir...): adds each folder, relative to the
# current one. A folder without a CMakeLists.txt stops the configure: the
# build never leaves a subsystem out without saying so.
function(ecocam_add_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt is missing: the folder is part of the build")
    endif()
    add_subdirectory(${dir})
  endforeach()
endfunction()

# ecocam_require_targets(target...): stops the configure when a target the
# current folder builds on does not exist.
function(ecocam_require_targets)
  foreach(target IN LISTS ARGN)
    if(NOT TARGET ${target})
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR} needs the target ${target}, which no folder defined")
    endif()
  endforeach()
endfunction()

# ecocam_optional_part(NAME text BUILT) or ecocam_optional_part(NAME text
# REASON why): the one configure line of an optional part.
function(ecocam_optional_part)
  cmake_parse_arguments(P "BUILT" "NAME;REASON" "" ${ARGN})
  if(P_BUILT)
    message(STATUS "ecocam: ${P_NAME}: built")
  else()
    message(STATUS "ecocam: ${P_NAME}: not built, ${P_REASON}")
  endif()
endfunction()

# Warnings, format checking and sanitizers for every target.
function(ecocam_setup_compiler)
  add_compile_options(-Wall -Wextra -Wformat -Wformat-security)
  if(WIN32)
    # Static runtime: each DLL and EXE needs only Windows system DLLs.
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  endif()
  if(ECOCAM_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
  elseif(ECOCAM_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
  elseif(NOT ECOCAM_SANITIZE STREQUAL "")
    message(FATAL_ERROR "ECOCAM_SANITIZE must be empty, 'address' or 'thread'")
  endif()
endfunction()

# Boost, header-only parts. The cross compiler sees a folder that holds only
# boost/, so no Linux system header leaks into the Windows build.
function(ecocam_setup_boost)
  find_path(ECOCAM_BOOST_ROOT boost/version.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  if(CMAKE_CROSSCOMPILING)
    set(dir ${CMAKE_BINARY_DIR}/boost-include)
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${ECOCAM_BOOST_ROOT}/boost ${dir}/boost SYMBOLIC)
  else()
    set(dir ${ECOCAM_BOOST_ROOT})
  endif()
  add_library(ecocam_boost INTERFACE)
  target_include_directories(ecocam_boost SYSTEM INTERFACE ${dir})
  add_library(ecocam::boost ALIAS ecocam_boost)
endfunction()

# GoogleTest: the system's on Linux, built from Debian's sources for Windows.
function(ecocam_setup_gtest)
  if(CMAKE_CROSSCOMPILING)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    add_library(ecocam_gtest INTERFACE)
    target_link_libraries(ecocam_gtest INTERFACE gtest gmock)
    add_library(ecocam_gtest_main INTERFACE)
    target_link_libraries(ecocam_gtest_main INTERFACE gtest_main gmock)
  else()
    find_package(GTest REQUIRED)
    add_library(ecocam_gtest INTERFACE)
    target_link_libraries(ecocam_gtest INTERFACE GTest::gtest GTest::gmock)
    add_library(ecocam_gtest_main INTERFACE)
    target_link_libraries(ecocam_gtest_main INTERFACE GTest::gtest_main GTest::gmock)
  endif()
endfunction()

# ecocam_add_gtest(NAME name SOURCES ... [LIBS ...] [LABELS ...] [MAIN] [NEEDS_DISPLAY])
# One executable, registered as one CTest test (Wine starts slowly, so never
# one process per test case). Under the Windows build CTest runs it through
# Wine. Without MAIN the executable brings gtest's main.
function(ecocam_add_gtest)
  cmake_parse_arguments(T "MAIN;NEEDS_DISPLAY" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(T_NEEDS_DISPLAY AND NOT ECOCAM_DISPLAY_TESTS)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_MAIN)
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ecocam_gtest)
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ecocam_gtest_main)
  endif()
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
                       WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(CMAKE_CROSSCOMPILING)
    # Runs under Wine: scripts/test leaves these out where Wine cannot run.
    list(APPEND T_LABELS wine)
  endif()
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
  if(ECOCAM_SANITIZE)
    # The sanitizers intercept dlopen, which hides the caller's $ORIGIN run
    # path: name the folder explicitly so the simulated SDK is found.
    set_property(TEST ${T_NAME} APPEND PROPERTY ENVIRONMENT "LD_LIBRARY_PATH=${CMAKE_BINARY_DIR}/bin")
  endif()
endfunction()

# ecocam_add_export_test(NAME name TARGET library EXPECTED name1 name2 ...)
# Checks that the library's export table holds exactly the expected names,
# undecorated. Runs on the build machine (nm for .so, objdump for .dll).
function(ecocam_add_export_test)
  cmake_parse_arguments(T "" "NAME;TARGET" "EXPECTED" ${ARGN})
  if(CMAKE_CROSSCOMPILING)
    find_program(ECOCAM_OBJDUMP NAMES ${ECOCAM_TOOL_PREFIX}objdump REQUIRED)
    set(tool ${ECOCAM_OBJDUMP})
    set(kind dll)
  else()
    find_program(ECOCAM_NM nm REQUIRED)
    set(tool ${ECOCAM_NM})
    set(kind so)
  endif()
  string(REPLACE ";" "," expected "${T_EXPECTED}")
  add_test(NAME ${T_NAME}
           COMMAND ${CMAKE_COMMAND} -DLIB=$<TARGET_FILE:${T_TARGET}> -DKIND=${kind} -DTOOL=${tool}
                   -DEXPECTED=${expected} -P ${CMAKE_SOURCE_DIR}/cmake/CheckExports.cmake)
endfunction()

# ecocam_add_import_test(NAME name TARGET binary)
# Windows builds only: the binary may import nothing but Windows system DLLs.
function(ecocam_add_import_test)
  cmake_parse_arguments(T "" "NAME;TARGET" "" ${ARGN})
  if(NOT CMAKE_CROSSCOMPILING)
    return()
  endif()
  find_program(ECOCAM_OBJDUMP NAMES ${ECOCAM_TOOL_PREFIX}objdump REQUIRED)
  add_test(NAME ${T_NAME}
           COMMAND ${CMAKE_COMMAND} -DLIB=$<TARGET_FILE:${T_TARGET}> -DTOOL=${ECOCAM_OBJDUMP}
                   -P ${CMAKE_SOURCE_DIR}/cmake/CheckImports.cmake)
endfunction()

# ecocam_sdk_entry_point_names(VAR)
# The names of the SDK's 211 entry points, from the shared declaration list.
# (Read whole: the list's lines end in a backslash, which CMake lists escape.)
function(ecocam_sdk_entry_point_names var)
  file(READ ${CMAKE_SOURCE_DIR}/src/sdk/sdk_entry_points.h text)
  string(REGEX MATCHALL "\n  [XS]\\([0-9]+, [^,]+, [A-Za-z_0-9]+," rows "${text}")
  set(names "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "^\n  [XS]\\([0-9]+, [^,]+, ([A-Za-z_0-9]+),$" "\\1" name "${row}")
    list(APPEND names ${name})
  endforeach()
  list(LENGTH names count)
  if(NOT count EQUAL 211)
    message(FATAL_ERROR "expected 211 SDK entry points in sdk_entry_points.h, found ${count}")
  endif()
  set(${var} ${names} PARENT_SCOPE)
endfunction()
