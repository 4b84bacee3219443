# Shared build rules: one static library per folder, tests discovered by file name.

include(CheckCXXCompilerFlag)

add_compile_options(-Wall -Wextra)
# 64-bit file offsets in the i386 build too: archives may pass 2 GiB.
add_compile_definitions(_FILE_OFFSET_BITS=64)
# Heap objects are zero-filled by their operator new and constructors rely on it;
# without this GCC may drop the fill as a dead store before the constructor.
check_cxx_compiler_flag(-flifetime-dse=1 TAVIK_HAS_LIFETIME_DSE)
if(TAVIK_HAS_LIFETIME_DSE)
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-flifetime-dse=1>)
endif()

if(TAVIK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(TAVIK_UBSAN AND NOT TAVIK_SANITIZE)
  add_compile_options(-fsanitize=undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=undefined)
endif()
if(TAVIK_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

set_property(GLOBAL PROPERTY TAVIK_LIBRARIES "")

# tavik_library(<name> [GUI] [SOURCES <glob>...] [DEPS <targets>...])
# Makes the static library tavik_<name> from the folder's .cpp files (or the given globs).
# GUI libraries are left out of headless builds (sanitizer and fuzz runs).
function(tavik_library name)
  cmake_parse_arguments(A "GUI" "" "SOURCES;DEPS" ${ARGN})
  if(A_GUI AND TAVIK_HEADLESS_ONLY)
    return()
  endif()
  if(NOT A_SOURCES)
    set(A_SOURCES *.cpp)
  endif()
  set(srcs)
  foreach(pattern ${A_SOURCES})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${pattern})
    list(APPEND srcs ${found})
  endforeach()
  if(srcs)
    add_library(tavik_${name} STATIC ${srcs})
    set(scope PUBLIC)
  else()
    add_library(tavik_${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(tavik_${name} ${scope} ${PROJECT_SOURCE_DIR})
  if(A_DEPS)
    target_link_libraries(tavik_${name} ${scope} ${A_DEPS})
  endif()
  set_property(GLOBAL APPEND PROPERTY TAVIK_LIBRARIES ${name})
endfunction()

# Every tests/<folder>/*.cpp is its own test program linked with every library of that
# folder (tavik_<folder> and tavik_<folder>_*). Files ending in _gui.cpp need a display and
# are left out of headless builds. Each test program runs from the build folder and is told
# where the sources and the build are through tests/common/TestDirs.h.
function(tavik_add_all_tests)
  get_property(libs GLOBAL PROPERTY TAVIK_LIBRARIES)
  tavik_test_dirs_library()
  file(GLOB test_dirs LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/tests/*)
  foreach(dir ${test_dirs})
    if(NOT IS_DIRECTORY ${dir})
      continue()
    endif()
    get_filename_component(folder ${dir} NAME)
    set(folder_libs)
    foreach(lib ${libs})
      if(lib STREQUAL folder OR lib MATCHES "^${folder}_")
        list(APPEND folder_libs tavik_${lib})
      endif()
    endforeach()
    if(NOT folder_libs)
      continue()
    endif()
    file(GLOB tests CONFIGURE_DEPENDS ${dir}/*.cpp)
    file(GLOB helpers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/common/*.cpp)
    foreach(test ${tests})
      get_filename_component(stem ${test} NAME_WE)
      if(stem MATCHES "_gui$" AND TAVIK_HEADLESS_ONLY)
        continue()
      endif()
      set(target test_${folder}_${stem})
      add_executable(${target} ${test} ${helpers})
      target_link_libraries(${target} PRIVATE ${folder_libs} tavik_test_dirs GTest::gtest GTest::gtest_main)
      add_test(NAME ${folder}/${stem} COMMAND ${target} WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
      # A hung test fails instead of using up the CI run (the slowest, emulated pixel tests
      # take under two minutes).
      set_tests_properties(${folder}/${stem} PROPERTIES TIMEOUT 600)
      if(stem MATCHES "_gui$")
        set_tests_properties(${folder}/${stem} PROPERTIES LABELS gui)
        # A test that sends real key presses with xdotool needs the display's keyboard focus
        # to itself: another window focused meanwhile on the shared display takes its keys.
        file(STRINGS ${test} sendsKeys REGEX "xdotool" LIMIT_COUNT 1)
        if(sendsKeys)
          set_tests_properties(${folder}/${stem} PROPERTIES RUN_SERIAL TRUE)
        endif()
      endif()
    endforeach()
  endforeach()
endfunction()

# Makes a test program wait for the sample game folder the build writes. Test targets exist
# only once every folder is added, so the dependency is added at the end of configuring.
function(tavik_add_sample_game_dependency target)
  if(TARGET ${target} AND TARGET tavik_sample_game)
    add_dependencies(${target} tavik_sample_game)
  endif()
endfunction()
function(tavik_test_needs_sample_game target)
  # Deferred arguments are expanded when the call runs: pass the name as a literal.
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL tavik_add_sample_game_dependency [[${target}]])")
endfunction()

# The one file compiled with this checkout's folders (tests/common/TestDirs.h): the compiler
# cache keys every other file alike in any checkout.
function(tavik_test_dirs_library)
  if(NOT TARGET tavik_test_dirs)
    add_library(tavik_test_dirs STATIC ${PROJECT_SOURCE_DIR}/tests/common/dirs/TestDirs.cpp)
    target_include_directories(tavik_test_dirs PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_definitions(tavik_test_dirs PRIVATE TAVIK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                               TAVIK_BINARY_DIR="${PROJECT_BINARY_DIR}")
  endif()
endfunction()
