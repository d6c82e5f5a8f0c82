# The Windows tree: the payload stand-ins, setup.exe with its resources, and the test
# programs that CTest runs under Wine.
set(ZORVIK_GENERATED ${CMAKE_BINARY_DIR}/generated)
set(ZORVIK_PAYLOAD_BUILD ${CMAKE_BINARY_DIR}/payload)
set(WINE_RUN ${CMAKE_SOURCE_DIR}/tools/wine-run)

# --- Payload stand-ins: real Windows programs and libraries, built here -----------------
add_executable(kestrum WIN32 resources/stubs/kestrum.cpp)
add_library(qtintf70 SHARED resources/stubs/qtintf70.cpp)
add_library(ttf16 SHARED resources/stubs/ttf16.cpp)
add_executable(mdac_stub WIN32 resources/stubs/mdac_stub.cpp)
set_target_properties(qtintf70 ttf16 PROPERTIES PREFIX "")
set_target_properties(ttf16 PROPERTIES SUFFIX ".ocx")
set_target_properties(mdac_stub PROPERTIES OUTPUT_NAME "mdac_typ2.7")
set_target_properties(kestrum qtintf70 ttf16 mdac_stub PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${ZORVIK_PAYLOAD_BUILD} LIBRARY_OUTPUT_DIRECTORY ${ZORVIK_PAYLOAD_BUILD})
target_link_libraries(kestrum PRIVATE gdi32 user32)
target_link_libraries(ttf16 PRIVATE advapi32)
# Registration entry points are exported under their plain names, as callers look them up.
target_link_options(ttf16 PRIVATE -Wl,--kill-at)
# The stand-ins carry no symbols: they only have to be real programs, not debuggable ones.
foreach(stub kestrum qtintf70 ttf16 mdac_stub)
  target_link_options(${stub} PRIVATE -s)
endforeach()
target_link_libraries(mdac_stub PRIVATE advapi32)

add_custom_command(
  OUTPUT ${ZORVIK_GENERATED}/check.bmp ${ZORVIK_GENERATED}/door.bmp
         ${ZORVIK_GENERATED}/db.mdb ${ZORVIK_GENERATED}/report.zip
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/gen-payload ${ZORVIK_GENERATED}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/gen-payload
  COMMENT "Generating pictures, database and report archive")
set(ZORVIK_CONTROL_BITMAPS feditbmp openfolder closedfolder currentfolder floppy hard network cdrom ram
    executable unknownfile)
list(TRANSFORM ZORVIK_CONTROL_BITMAPS PREPEND ${ZORVIK_GENERATED}/ OUTPUT_VARIABLE ZORVIK_CONTROL_BITMAP_FILES)
list(TRANSFORM ZORVIK_CONTROL_BITMAP_FILES APPEND .bmp)
add_custom_command(
  OUTPUT ${ZORVIK_CONTROL_BITMAP_FILES}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/gen-control-bitmaps ${ZORVIK_GENERATED}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/gen-control-bitmaps ${CMAKE_SOURCE_DIR}/tools/gen-payload
  COMMENT "Generating the directory field's and dialog's pictures")
add_custom_command(
  OUTPUT ${ZORVIK_GENERATED}/setup.ico
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/gen-icon ${ZORVIK_GENERATED}/setup.ico
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/gen-icon
  COMMENT "Generating the program's icon")
add_custom_target(generated_payload DEPENDS ${ZORVIK_GENERATED}/report.zip ${ZORVIK_CONTROL_BITMAP_FILES}
                  ${ZORVIK_GENERATED}/setup.ico)

# A packager's folder may hold the real files; any file found there replaces its stand-in.
function(zorvik_payload var file default)
  if(ZORVIK_PAYLOAD_DIR AND EXISTS "${ZORVIK_PAYLOAD_DIR}/${file}")
    set(${var} "${ZORVIK_PAYLOAD_DIR}/${file}" PARENT_SCOPE)
  else()
    set(${var} "${default}" PARENT_SCOPE)
  endif()
endfunction()
zorvik_payload(PAYLOAD_KESTRUM kestrum.exe ${ZORVIK_PAYLOAD_BUILD}/kestrum.exe)
zorvik_payload(PAYLOAD_LOGIN login.dat ${CMAKE_SOURCE_DIR}/resources/payload/login.dat)
zorvik_payload(PAYLOAD_QTINTF qtintf70.dll ${ZORVIK_PAYLOAD_BUILD}/qtintf70.dll)
zorvik_payload(PAYLOAD_REPORT report.zip ${ZORVIK_GENERATED}/report.zip)
zorvik_payload(PAYLOAD_OCX ttf16.ocx ${ZORVIK_PAYLOAD_BUILD}/ttf16.ocx)
zorvik_payload(PAYLOAD_DB db.mdb ${ZORVIK_GENERATED}/db.mdb)
zorvik_payload(PAYLOAD_MDAC mdac_typ2.7.exe ${ZORVIK_PAYLOAD_BUILD}/mdac_typ2.7.exe)
set(BITMAP_CHECK ${ZORVIK_GENERATED}/check.bmp)
set(BITMAP_DOOR ${ZORVIK_GENERATED}/door.bmp)
set(MANIFEST ${CMAKE_SOURCE_DIR}/resources/setup.manifest)
set(GENERATED ${ZORVIK_GENERATED})
configure_file(resources/setup.rc.in ${CMAKE_BINARY_DIR}/setup.rc @ONLY)

# --- setup.exe ---------------------------------------------------------------------------
file(GLOB ZORVIK_APP_SOURCES CONFIGURE_DEPENDS app/*.cpp ui/*.cpp controls/win32/*.cpp)
add_executable(setup WIN32 ${ZORVIK_APP_SOURCES} ${CMAKE_BINARY_DIR}/setup.rc)
target_link_libraries(setup PRIVATE zorvik_core comctl32)
add_dependencies(setup kestrum qtintf70 ttf16 mdac_stub generated_payload)
set_source_files_properties(${CMAKE_BINARY_DIR}/setup.rc PROPERTIES OBJECT_DEPENDS
  "${PAYLOAD_KESTRUM};${PAYLOAD_LOGIN};${PAYLOAD_QTINTF};${PAYLOAD_REPORT};${PAYLOAD_OCX};${PAYLOAD_DB};${PAYLOAD_MDAC};${BITMAP_CHECK};${BITMAP_DOOR};${MANIFEST};${ZORVIK_CONTROL_BITMAP_FILES};${ZORVIK_GENERATED}/setup.ico")

# --- The command-line extractor, as a Windows console program -----------------------------
include(${CMAKE_SOURCE_DIR}/cli/zorvik-unzip.cmake)

# --- Tests under Wine --------------------------------------------------------------------
# Libraries for the library-search tests, built into "probes" beside the test programs: a
# control with a library of its own, and a library to plant where none should be loaded.
set(ZORVIK_PROBES ${CMAKE_BINARY_DIR}/probes)
add_library(probe_dep SHARED tests/win32/probes/probe_dep.cpp)
add_library(probe_control SHARED tests/win32/probes/probe_control.cpp)
add_library(planted SHARED tests/win32/probes/planted.cpp)
target_link_libraries(probe_control PRIVATE probe_dep)
target_link_options(probe_control PRIVATE -Wl,--kill-at)
set_target_properties(probe_dep probe_control planted PROPERTIES PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${ZORVIK_PROBES} LIBRARY_OUTPUT_DIRECTORY ${ZORVIK_PROBES})
set_target_properties(probe_control PROPERTIES SUFFIX ".ocx")

# Read-back helpers shared by the Windows test programs.
file(GLOB ZORVIK_TEST_COMMON CONFIGURE_DEPENDS tests/common/*.cpp)
file(GLOB ZORVIK_WIN32_TESTS CONFIGURE_DEPENDS tests/win32/*.cpp tests/win32/*.rc)
if(ZORVIK_WIN32_TESTS)
  # The archive and shortcut read-back helpers in tests/common serve the end-to-end driver too.
  # The window framework is tested here on a real window system.
  # So are the controls' window classes, the folder dialogs driven from a second thread.
  file(GLOB ZORVIK_UI_SOURCES CONFIGURE_DEPENDS ui/*.cpp controls/win32/*.cpp)
  add_executable(win32_tests ${ZORVIK_WIN32_TESTS} ${ZORVIK_UI_SOURCES} ${ZORVIK_TEST_COMMON})
  target_link_libraries(win32_tests PRIVATE zorvik_core gtest comctl32)
  # The test resources name their data files relative to these folders.
  target_include_directories(win32_tests PRIVATE ${CMAKE_SOURCE_DIR}/resources/payload)
  target_compile_definitions(win32_tests PRIVATE ZORVIK_TESTDATA_DIR="${ZORVIK_TESTDATA_DIR}"
                             ZORVIK_UNZIP_EXE="$<TARGET_FILE:zorvik-unzip>")
  add_dependencies(win32_tests zorvik-unzip probe_dep probe_control planted)
  add_test(NAME win32_tests COMMAND ${WINE_RUN} $<TARGET_FILE:win32_tests>)
  set_tests_properties(win32_tests PROPERTIES ENVIRONMENT ZORVIK_WINE_TEST=1 SKIP_RETURN_CODE 77)
endif()

file(GLOB ZORVIK_E2E_SOURCES CONFIGURE_DEPENDS tests/e2e/*.cpp)
if(ZORVIK_E2E_SOURCES)
  add_executable(e2e_tests ${ZORVIK_E2E_SOURCES} ${ZORVIK_TEST_COMMON})
  target_link_libraries(e2e_tests PRIVATE zorvik_core gtest ole32 uuid shell32 user32 gdi32 advapi32 version)
  target_compile_definitions(e2e_tests PRIVATE ZORVIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_dependencies(e2e_tests setup planted)
  add_test(NAME e2e_tests COMMAND ${WINE_RUN} $<TARGET_FILE:e2e_tests> $<TARGET_FILE:setup>
           --screens=${CMAKE_BINARY_DIR}/../screens)
  set_tests_properties(e2e_tests PROPERTIES TIMEOUT 900 ENVIRONMENT ZORVIK_WINE_TEST=1 SKIP_RETURN_CODE 77)
  # The main window's layout once more on a 144-dpi screen, in prefixes of its own (the
  # driver sets their LogPixels, which each program reads when it starts).
  add_test(NAME e2e_layout_144dpi COMMAND ${WINE_RUN} $<TARGET_FILE:e2e_tests> $<TARGET_FILE:setup>
           --screens=${CMAKE_BINARY_DIR}/../screens --dpi=144 --gtest_filter=Layout.*)
  set_tests_properties(e2e_layout_144dpi PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 ENVIRONMENT
    "ZORVIK_WINE_TEST=1;ZORVIK_WINEPREFIX=${CMAKE_SOURCE_DIR}/build/wineprefix-144dpi;ZORVIK_WINEPREFIX64=${CMAKE_SOURCE_DIR}/build/wineprefix64-144dpi")
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/win32.cmake)
  include(${CMAKE_SOURCE_DIR}/tools/win32.cmake)
endif()
