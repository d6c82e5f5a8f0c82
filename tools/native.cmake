# Native tools: the zorvik-unzip command-line extractor; its command logic is also linked into
# the native tests.
add_executable(zorvik-unzip ${CMAKE_SOURCE_DIR}/tools/zorvik-unzip.cpp ${CMAKE_SOURCE_DIR}/tools/UnzipCommand.cpp)
target_link_libraries(zorvik-unzip PRIVATE zorvik_core)
target_sources(native_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/UnzipCommand.cpp)

# The benchmark of the decoders against zlib: zlib is linked here only, never into the
# product. It needs <chrono>, whose libstdc++ header holds a literal GBK cannot encode.
option(ZORVIK_BENCH "Build the codec benchmark (links zlib)" OFF)
if(ZORVIK_BENCH)
  find_package(ZLIB REQUIRED)
  add_executable(bench_codec ${CMAKE_SOURCE_DIR}/bench/bench_codec.cpp)
  target_link_libraries(bench_codec PRIVATE zorvik_core ZLIB::ZLIB)
  set_target_properties(bench_codec PROPERTIES ZORVIK_NATIVE_CHARSET ON)
endif()
