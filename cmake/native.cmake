# The host tree: the portable core's tests under the sanitizers, zorvik-unzip, and the codec
# benchmark.
file(GLOB_RECURSE ZORVIK_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${ZORVIK_NATIVE_TESTS})
# zlib is the reference our inflate is compared with; it is linked into the tests only.
find_package(ZLIB REQUIRED)
target_link_libraries(native_tests PRIVATE zorvik_core gtest gtest_main ZLIB::ZLIB)
target_compile_definitions(native_tests PRIVATE ZORVIK_TESTDATA_DIR="${ZORVIK_TESTDATA_DIR}")
add_test(NAME native_tests COMMAND native_tests)
set_tests_properties(native_tests PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")

include(${CMAKE_SOURCE_DIR}/cli/zorvik-unzip.cmake)
target_link_libraries(native_tests PRIVATE zorvik_cli)

# The benchmark of the decoders against zlib and libdeflate: both are linked here only, never
# into the product. It needs <chrono>, whose libstdc++ header holds a literal GBK cannot encode.
option(ZORVIK_BENCH "Build the codec benchmark (links zlib and libdeflate)" OFF)
if(ZORVIK_BENCH)
  find_package(ZLIB REQUIRED)
  find_path(LIBDEFLATE_INCLUDE libdeflate.h)
  find_library(LIBDEFLATE_LIBRARY deflate)
  if(NOT LIBDEFLATE_INCLUDE OR NOT LIBDEFLATE_LIBRARY)
    message(FATAL_ERROR "the codec benchmark needs libdeflate (tools/bootstrap installs libdeflate-dev)")
  endif()
  add_executable(bench_codec ${CMAKE_SOURCE_DIR}/bench/bench_codec.cpp)
  target_include_directories(bench_codec PRIVATE ${LIBDEFLATE_INCLUDE})
  target_link_libraries(bench_codec PRIVATE zorvik_core ZLIB::ZLIB ${LIBDEFLATE_LIBRARY})
  set_target_properties(bench_codec PROPERTIES ZORVIK_NATIVE_CHARSET ON)
endif()
