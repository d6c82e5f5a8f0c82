# The fuzz tree: every target in tests/fuzz links the zip component, its helpers and the
# POSIX layer, all built here with the fuzzer's coverage and the sanitizers, so a new source
# file of the component is in every target without being listed. clang cannot turn literals
# into GBK; these sources hold ASCII literals only. ZORVIK_FUZZING skips the CRC check, so
# the success path of an extraction is reached with mutated data too.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "The fuzz tree needs clang (-DCMAKE_CXX_COMPILER=clang++)")
endif()
set(zorvik_fuzz_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined -g -O1)
option(ZORVIK_WERROR "Treat warnings as errors in the project's own targets" ON)
add_compile_options(-Wall -Wextra "$<$<BOOL:${ZORVIK_WERROR}>:-Werror>")

file(GLOB_RECURSE zorvik_fuzz_core CONFIGURE_DEPENDS zip/*.cpp base/*.cpp)
file(GLOB zorvik_fuzz_sys CONFIGURE_DEPENDS sys/*.cpp sys/posix/*.cpp)
add_library(zorvik_fuzz_core STATIC ${zorvik_fuzz_core} ${zorvik_fuzz_sys})
target_include_directories(zorvik_fuzz_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(zorvik_fuzz_core PUBLIC ZORVIK_FUZZING)
target_compile_options(zorvik_fuzz_core PUBLIC ${zorvik_fuzz_flags} -fsanitize=fuzzer-no-link)
target_link_libraries(zorvik_fuzz_core PUBLIC ${CMAKE_DL_LIBS})

# The tests' in-memory file system, for the targets that extract whole archives.
add_library(zorvik_fuzz_support STATIC tests/native/support/FakeFileSystem.cpp tests/native/support/FakeFolders.cpp)
target_link_libraries(zorvik_fuzz_support PUBLIC zorvik_fuzz_core)

file(GLOB zorvik_fuzz_targets CONFIGURE_DEPENDS tests/fuzz/fuzz_*.cpp)
foreach(src ${zorvik_fuzz_targets})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE zorvik_fuzz_support)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
endforeach()
