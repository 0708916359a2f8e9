# The unit suite cross-built for Windows and run through Wine (CMAKE_CROSSCOMPILING_EMULATOR of
# the toolchain file). GoogleTest comes from Debian's sources, built for the target.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
file(GLOB_RECURSE WINDOWS_UNIT_TESTS CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
  common/*.cpp host/*.cpp engine/*.cpp protocol/*.cpp serial/*.cpp sysinfo/*.cpp support/*.cpp
  ui/*.cpp platform/win32/*.cpp)
list(APPEND WINDOWS_UNIT_TESTS platform/datetime_test.cpp platform/text_test.cpp)
# Left out on Windows, each for its reason:
# - the other platform/ tests exercise the POSIX backend (pseudo-terminals, /dev paths,
#   the registry stand-in file, dlopen, POSIX file kinds, eventfd and pipes);
# - host/install_paths_test and host/module_info_test install the host through the registry
#   stand-in file (VD_INV_REGISTRY) and version sidecar files, which only the POSIX backend
#   reads; on Windows the real registry and version resources answer (host/win32/ reads the
#   host program's record from the test program's own version resource);
# - module/, tools/, soak/ and stress/ need the simulator, which stays a Linux program.
set(WINDOWS_LEFT_OUT host/install_paths_test.cpp host/module_info_test.cpp)
list(REMOVE_ITEM WINDOWS_UNIT_TESTS ${WINDOWS_LEFT_OUT})
list(TRANSFORM WINDOWS_UNIT_TESTS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
# The program's own version resource: in the tests of the host's record it is the host.
enable_language(RC)
add_executable(vdinv_unit_tests ${WINDOWS_UNIT_TESTS}
  ${CMAKE_CURRENT_SOURCE_DIR}/host/win32/host_program.rc)
target_include_directories(vdinv_unit_tests PRIVATE ${CMAKE_SOURCE_DIR}/src
  ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vdinv_unit_tests PRIVATE vdinv_ui gmock gtest_main)
# The program exports a host-text allocator of its own, under undecorated names as a host's.
target_link_options(vdinv_unit_tests PRIVATE -Wl,--kill-at)
include(GoogleTest)
# Listing the tests needs Wine, so it happens when CTest runs them, not at build time.
# The log lines carry the user's short date and long time; the tests expect the stamps of
# the Linux build, so the Wine prefix's user formats are set to them before any test runs.
foreach(format "sShortDate;yyyy-MM-dd" "sTimeFormat;HH:mm:ss")
  list(GET format 0 entry)
  list(GET format 1 value)
  add_test(NAME wine_user_${entry} COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg add
    "HKCU\\Control Panel\\International" /v ${entry} /d ${value} /f)
  set_tests_properties(wine_user_${entry} PROPERTIES FIXTURES_SETUP wine_user_formats
    TIMEOUT 120 RUN_SERIAL TRUE)
endforeach()
gtest_discover_tests(vdinv_unit_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED wine_user_formats)

# The module's exports (exactly the expected names, undecorated) and the DLLs it imports
# (system DLLs only), as objdump shows them.
vdinv_read_exports(export_names export_stacks)
string(REPLACE ";" "," export_names "${export_names}")
add_test(NAME module_exports_and_imports COMMAND ${CMAKE_COMMAND}
  -DOBJDUMP=${CMAKE_OBJDUMP} -DMODULE=$<TARGET_FILE:VD_Inv> -DEXPORTS=${export_names}
  -P ${CMAKE_CURRENT_SOURCE_DIR}/module/wine/check_exports.cmake)
set_tests_properties(module_exports_and_imports PROPERTIES TIMEOUT 60)

# The module under Wine on a simulated line: the Linux simulator from a Linux build
# (VDINV_LINUX_TOOLS, the directory that holds its invsim) answers behind the link that the
# prefix maps COM1 to, and the test program steers it through its control directory.
set(VDINV_LINUX_TOOLS "" CACHE PATH "The directory of a Linux build's invsim")

# The configuration windows of the module under Wine (a display needed: test-windows.sh
# starts an X server in memory): the wizard and the test window walked by this program as a
# user; the same program takes the screenshots (scripts/screenshots-windows.sh). The test
# window reads the simulated line; without the Linux simulator that walk is skipped.
add_executable(vdinv_wine_window_tests module/wine/wizard_walk_test.cpp
  module/wine/window_walk.cpp ${CMAKE_SOURCE_DIR}/tools/invsim/control_client.cpp)
target_include_directories(vdinv_wine_window_tests PRIVATE ${CMAKE_SOURCE_DIR}/src
  ${CMAKE_SOURCE_DIR}/tools ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vdinv_wine_window_tests PRIVATE vdinv_common gmock gtest)
target_compile_definitions(vdinv_wine_window_tests PRIVATE
  VDINV_MODULE_PATH="$<TARGET_FILE:VD_Inv>" VDINV_TOOL_PATH="$<TARGET_FILE:vdinv>")
add_dependencies(vdinv_wine_window_tests VD_Inv vdinv)
if(VDINV_LINUX_TOOLS)
  add_test(NAME wine_wizard_walk
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/module/wine/run_module_line_test.sh
    ${VDINV_LINUX_TOOLS}/invsim ${CMAKE_CROSSCOMPILING_EMULATOR}
    $<TARGET_FILE:vdinv_wine_window_tests> ${CMAKE_CURRENT_BINARY_DIR}/wine_wizard_walk)
else()
  add_test(NAME wine_wizard_walk
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:vdinv_wine_window_tests>)
endif()
# Alone: COM1 and its simulator are the line of one program at a time, and what the screen
# shows of a window is checked, which another test's window could cover.
set_tests_properties(wine_wizard_walk PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)

if(VDINV_LINUX_TOOLS)
  add_executable(vdinv_wine_module_tests module/wine/module_line_test.cpp support/temp_dir.cpp
    ${CMAKE_SOURCE_DIR}/tools/invsim/control_client.cpp)
  target_include_directories(vdinv_wine_module_tests PRIVATE ${CMAKE_SOURCE_DIR}/src
    ${CMAKE_SOURCE_DIR}/tools ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(vdinv_wine_module_tests PRIVATE vdinv_common gmock gtest_main)
  target_compile_definitions(vdinv_wine_module_tests PRIVATE
    VDINV_MODULE_PATH="$<TARGET_FILE:VD_Inv>")
  add_dependencies(vdinv_wine_module_tests VD_Inv)
  add_test(NAME wine_module_line
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/module/wine/run_module_line_test.sh
    ${VDINV_LINUX_TOOLS}/invsim ${CMAKE_CROSSCOMPILING_EMULATOR}
    $<TARGET_FILE:vdinv_wine_module_tests> ${CMAKE_CURRENT_BINARY_DIR}/wine_module_line)
  # Alone: it sets the host's installation in the prefix's registry while it runs.
  set_tests_properties(wine_module_line PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
else()
  message(STATUS "The module tests under Wine are left out: set VDINV_LINUX_TOOLS to the "
    "directory of a Linux build's invsim")
endif()
