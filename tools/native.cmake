# Native tools: the zorvik-unzip command-line extractor; its command logic is also linked into
# the native tests.
add_executable(zorvik-unzip ${CMAKE_SOURCE_DIR}/tools/zorvik-unzip.cpp ${CMAKE_SOURCE_DIR}/tools/UnzipCommand.cpp)
target_link_libraries(zorvik-unzip PRIVATE zorvik_core)
target_sources(native_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/UnzipCommand.cpp)
include(GNUInstallDirs)
install(TARGETS zorvik-unzip RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/tools/zorvik-unzip.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The install puts the program and its manual page where man finds them.
add_test(NAME install_puts_the_manual_page
         COMMAND sh -c "rm -rf install-check && '${CMAKE_COMMAND}' --install . --prefix install-check >/dev/null &&
                        test -x install-check/${CMAKE_INSTALL_BINDIR}/zorvik-unzip &&
                        grep -q '^.TH ZORVIK-UNZIP 1' install-check/${CMAKE_INSTALL_MANDIR}/man1/zorvik-unzip.1"
         WORKING_DIRECTORY ${CMAKE_BINARY_DIR})

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
