# Native tools: the zorvik-unzip command-line extractor; its command logic is also linked into
# the native tests.
add_executable(zorvik-unzip ${CMAKE_SOURCE_DIR}/tools/zorvik-unzip.cpp ${CMAKE_SOURCE_DIR}/tools/UnzipCommand.cpp)
target_link_libraries(zorvik-unzip PRIVATE zorvik_core)
target_sources(native_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/UnzipCommand.cpp)
