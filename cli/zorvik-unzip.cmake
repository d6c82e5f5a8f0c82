# zorvik-unzip, the command line over the zip component: one definition for the host tree
# and the Windows one, included by both. The command's logic is a library of its own so the native tests run it.
add_library(zorvik_cli STATIC ${CMAKE_SOURCE_DIR}/cli/UnzipCommand.cpp)
target_link_libraries(zorvik_cli PUBLIC zorvik_core)
add_executable(zorvik-unzip ${CMAKE_SOURCE_DIR}/cli/zorvik-unzip.cpp)
target_link_libraries(zorvik-unzip PRIVATE zorvik_cli)
if(WIN32)
  target_link_libraries(zorvik-unzip PRIVATE user32 comdlg32 shell32 ole32)
else()
  include(GNUInstallDirs)
  install(TARGETS zorvik-unzip RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/cli/zorvik-unzip.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # The install puts the program and its manual page where man finds them.
  add_test(NAME install_puts_the_manual_page
           COMMAND sh -c "rm -rf install-check && '${CMAKE_COMMAND}' --install . --prefix install-check >/dev/null &&
                          test -x install-check/${CMAKE_INSTALL_BINDIR}/zorvik-unzip &&
                          grep -q '^.TH ZORVIK-UNZIP 1' install-check/${CMAKE_INSTALL_MANDIR}/man1/zorvik-unzip.1"
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endif()
