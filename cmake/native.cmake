# The host tree: the portable core's tests under the sanitizers, and the native tools.
file(GLOB_RECURSE ZORVIK_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${ZORVIK_NATIVE_TESTS})
# zlib is the reference our inflate is compared with; it is linked into the tests only.
find_package(ZLIB REQUIRED)
target_link_libraries(native_tests PRIVATE zorvik_core gtest gtest_main ZLIB::ZLIB)
target_compile_definitions(native_tests PRIVATE ZORVIK_TESTDATA_DIR="${ZORVIK_TESTDATA_DIR}")
add_test(NAME native_tests COMMAND native_tests)
set_tests_properties(native_tests PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/native.cmake)
  include(${CMAKE_SOURCE_DIR}/tools/native.cmake)
endif()
