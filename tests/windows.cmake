# The unit suite cross-built for Windows and run through Wine (CMAKE_CROSSCOMPILING_EMULATOR of
# the toolchain file). GoogleTest comes from Debian's sources, built for the target.
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The Wine side, set up and ended by CTest itself (module/wine/wine_session.sh): set-up tests
# start an X server in memory for the windows (fixture wine_display) and make a fresh prefix
# with COM1 mapped to the link BUILD/wine-com1, its server and services running (wine_prefix);
# clean-up tests end them whatever the tests between did, and end any simulator a line test
# left (wine_line). Every Windows program runs in that prefix on that display: WINEPREFIX and
# VDINV_DISPLAY_FILE (the file with the display number, which cmake/wine-run.sh reads) in the
# tests' environment; for the unit suite in its emulator's, since CTest lists its tests with it
# before any set-up test runs.
set(wine_session ${CMAKE_CURRENT_SOURCE_DIR}/module/wine/wine_session.sh)
set(wine_environment WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix
  VDINV_DISPLAY_FILE=${CMAKE_BINARY_DIR}/xvfb.display)
set(wine_emulator env ${wine_environment} ${CMAKE_CROSSCOMPILING_EMULATOR})
function(vdinv_wine_session name command dir)
  add_test(NAME ${name} COMMAND ${wine_session} ${command} ${dir})
  set_tests_properties(${name} PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE ${ARGN})
endfunction()
vdinv_wine_session(wine_display_start start-display ${CMAKE_BINARY_DIR}
  FIXTURES_SETUP wine_display)
vdinv_wine_session(wine_display_stop stop-display ${CMAKE_BINARY_DIR}
  FIXTURES_CLEANUP wine_display)
# The prefix's desktop uses the display too, and the server goes before the display.
vdinv_wine_session(wine_prefix_start start-prefix ${CMAKE_BINARY_DIR}
  FIXTURES_SETUP wine_prefix FIXTURES_REQUIRED wine_display)
vdinv_wine_session(wine_prefix_stop stop-prefix ${CMAKE_BINARY_DIR}
  FIXTURES_CLEANUP wine_prefix FIXTURES_REQUIRED wine_display)

# The simulated line: the Linux simulator from a Linux build (VDINV_LINUX_TOOLS, the directory
# that holds its invsim; a set-up test brings it up to date) answers behind the link that the
# prefix maps COM1 to, started and stopped by each line test (module/wine/run_module_line_test.sh).
set(VDINV_LINUX_TOOLS "" CACHE PATH "The directory of a Linux build's invsim")
if(VDINV_LINUX_TOOLS)
  vdinv_wine_session(wine_line_simulator build-simulator ${VDINV_LINUX_TOOLS}
    FIXTURES_SETUP wine_line TIMEOUT 1800)
endif()
vdinv_wine_session(wine_line_stop stop-simulators ${CMAKE_BINARY_DIR} FIXTURES_CLEANUP wine_line)
# A test program on that line, alone (COM1 and its simulator are the line of one program at a
# time): SCRIPT starts the simulator, runs PROGRAM through the emulator and stops it. A fifth
# argument selects the program's tests (GoogleTest's filter).
function(vdinv_wine_line_test name script program timeout)
  add_test(NAME ${name} COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/${script}
    ${VDINV_LINUX_TOOLS}/invsim ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${program}>
    ${CMAKE_CURRENT_BINARY_DIR}/${name})
  set(environment ${wine_environment})
  if(ARGC GREATER 4)
    list(APPEND environment "GTEST_FILTER=${ARGV4}")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} RUN_SERIAL TRUE
    ENVIRONMENT "${environment}" FIXTURES_REQUIRED "wine_prefix;wine_display;wine_line")
endfunction()

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
# Its own main (platform/win32/unit_test_main.cpp): the tests on a thread of their own, and
# the threads GoogleTest started ended before the program (ntdll: a thread's start address).
target_link_libraries(vdinv_unit_tests PRIVATE vdinv_ui gmock gtest ntdll)
# The program exports a host-text allocator of its own, under undecorated names as a host's.
target_link_options(vdinv_unit_tests PRIVATE -Wl,--kill-at)
include(GoogleTest)
# Listing the tests needs Wine, so it happens when CTest runs them, not at build time.
# The log lines carry the user's short date and long time; the tests expect the stamps of
# the Linux build, so the Wine prefix's user formats are set to them before any test runs.
foreach(format "sShortDate;yyyy-MM-dd" "sTimeFormat;HH:mm:ss")
  list(GET format 0 entry)
  list(GET format 1 value)
  add_test(NAME wine_user_${entry} COMMAND ${wine_emulator} reg add
    "HKCU\\Control Panel\\International" /v ${entry} /d ${value} /f)
  # Part of the prefix's set-up, after the prefix is made: so each test needs one fixture only
  # (discovered tests take no list of fixtures).
  set_tests_properties(wine_user_${entry} PROPERTIES FIXTURES_SETUP wine_prefix
    DEPENDS wine_prefix_start FIXTURES_REQUIRED wine_display TIMEOUT 120 RUN_SERIAL TRUE)
endforeach()
set_target_properties(vdinv_unit_tests PROPERTIES CROSSCOMPILING_EMULATOR "${wine_emulator}")
gtest_discover_tests(vdinv_unit_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED wine_prefix)

# The module's exports (exactly the expected names, undecorated) and the DLLs it imports
# (system DLLs only), as objdump shows them.
vdinv_read_exports(export_names export_stacks)
string(REPLACE ";" "," export_names "${export_names}")
add_test(NAME module_exports_and_imports COMMAND ${CMAKE_COMMAND}
  -DOBJDUMP=${CMAKE_OBJDUMP} -DMODULE=$<TARGET_FILE:VD_Inv> -DEXPORTS=${export_names}
  -P ${CMAKE_CURRENT_SOURCE_DIR}/module/wine/check_exports.cmake)
set_tests_properties(module_exports_and_imports PROPERTIES TIMEOUT 60)

# The configuration windows of the module under Wine (a display needed: the fixture
# wine_display): the wizard and the test window walked by this program as a
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
# Alone also because what the screen shows of a window is checked, which another test's window
# could cover.
if(VDINV_LINUX_TOOLS)
  vdinv_wine_line_test(wine_wizard_walk module/wine/run_module_line_test.sh
    vdinv_wine_window_tests 180)
else()
  add_test(NAME wine_wizard_walk
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:vdinv_wine_window_tests>)
  set_tests_properties(wine_wizard_walk PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE
    ENVIRONMENT "${wine_environment}" FIXTURES_REQUIRED "wine_prefix;wine_display")
endif()

if(VDINV_LINUX_TOOLS)
  add_executable(vdinv_wine_module_tests module/wine/module_line_test.cpp support/temp_dir.cpp
    ${CMAKE_SOURCE_DIR}/tools/invsim/control_client.cpp)
  target_include_directories(vdinv_wine_module_tests PRIVATE ${CMAKE_SOURCE_DIR}/src
    ${CMAKE_SOURCE_DIR}/tools ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(vdinv_wine_module_tests PRIVATE vdinv_common gmock gtest_main)
  target_compile_definitions(vdinv_wine_module_tests PRIVATE
    VDINV_MODULE_PATH="$<TARGET_FILE:VD_Inv>")
  add_dependencies(vdinv_wine_module_tests VD_Inv)
  # Alone also because it sets the host's installation in the prefix's registry while it runs.
  # Each case with the line thread in a process of its own: a module loaded again in a process
  # where a line thread ran was seen to hang now and then in Wine 8's loader (its list of the
  # threads' TLS looped) while the thread waited with WaitCommEvent, for which Wine makes a
  # thread per wait.
  vdinv_wine_line_test(wine_module_line module/wine/run_module_line_test.sh
    vdinv_wine_module_tests 300 "-*/LineThread")
  foreach(case ValuesOfTwoStationsArrive AWriteIsConfirmedAndHeldByTheInverter
      ASilentStationShowsABrokenLine TheAdapterGoneAndBackNeverBlocksAPoll
      EndsAtOnceInTheMiddleOfAnExchange TheHostEndsWhileAThreadPolls)
    vdinv_wine_line_test(wine_module_line_thread_${case} module/wine/run_module_line_test.sh
      vdinv_wine_module_tests 120 "*.${case}/LineThread")
  endforeach()
else()
  message(STATUS "The module tests under Wine are left out: set VDINV_LINUX_TOOLS to the "
    "directory of a Linux build's invsim")
endif()

# The serial device alone on COM1 against the simulator: an exchange, then the far end stalled,
# taken away while the port is open and brought back (platform/win32/serial_device_check.sh).
add_executable(vdinv_wine_serial_check
  ${CMAKE_SOURCE_DIR}/tools/wine_serial/serial_device_check.cpp)
target_include_directories(vdinv_wine_serial_check PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vdinv_wine_serial_check PRIVATE vdinv_platform)
if(VDINV_LINUX_TOOLS)
  vdinv_wine_line_test(wine_serial_device platform/win32/serial_device_check.sh
    vdinv_wine_serial_check 180)
endif()
