find_package(GTest REQUIRED)
include(GoogleTest)

# Tests may include every layer.
include_directories(${CMAKE_SOURCE_DIR}/src)

# Unit tests link the driver's libraries directly.
file(GLOB_RECURSE UNIT_TEST_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/common/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/platform/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/host/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/engine/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/protocol/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/serial/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/sysinfo/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp)
list(FILTER UNIT_TEST_SOURCES EXCLUDE REGEX ".*/win32/.*")  # Windows-only tests
list(FILTER UNIT_TEST_SOURCES EXCLUDE REGEX ".*/platform/qt/.*")  # vdinv_qt_tests
add_executable(vdinv_unit_tests ${UNIT_TEST_SOURCES})
target_include_directories(vdinv_unit_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vdinv_unit_tests PRIVATE vdinv_ui GTest::gmock GTest::gtest_main)
# The check that controls are named by their constants reads the source tree.
target_compile_definitions(vdinv_unit_tests PRIVATE VDINV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(vdinv_unit_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)

# Module tests load the built VD_Inv.so as a host does and drive it through its C exports;
# the tool tests run the built vdinv program.
file(GLOB_RECURSE MODULE_TEST_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/module/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tools/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
list(FILTER MODULE_TEST_SOURCES EXCLUDE REGEX ".*/tools/invsim_test\\.cpp$")
list(FILTER MODULE_TEST_SOURCES EXCLUDE REGEX ".*/module/wine/.*")  # the Windows program's own
add_executable(vdinv_module_tests ${MODULE_TEST_SOURCES})
target_include_directories(vdinv_module_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vdinv_module_tests PRIVATE vdinv_common GTest::gmock GTest::gtest_main)
target_compile_definitions(vdinv_module_tests PRIVATE
  VDINV_MODULE_PATH="$<TARGET_FILE:VD_Inv>" VDINV_TOOL_PATH="$<TARGET_FILE:vdinv>")
add_dependencies(vdinv_module_tests VD_Inv vdinv)
gtest_discover_tests(vdinv_module_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
# The tool's pure parts (command line, block formatting, run records) are tested directly.
target_sources(vdinv_module_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/vdinv/options.cpp
  ${CMAKE_SOURCE_DIR}/tools/vdinv/command_line.cpp ${CMAKE_SOURCE_DIR}/tools/vdinv/block_format.cpp ${CMAKE_SOURCE_DIR}/tools/vdinv/run_format.cpp)
target_include_directories(vdinv_module_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(vdinv_module_tests PRIVATE CLI11::CLI11)

# The compiled help builds from docs/help: every page encodable in GBK, every page and picture in
# the file. Only where chmcmd is installed; the Linux build itself makes the HTML pages only.
if(VDINV_CHMCMD)
  add_test(NAME help_chm_builds COMMAND ${CMAKE_COMMAND} -E env CHMCMD=${VDINV_CHMCMD}
    bash ${CMAKE_SOURCE_DIR}/scripts/build-help.sh --chm-only --no-install
    ${CMAKE_CURRENT_BINARY_DIR}/help-check)
endif()

# The inverter simulator through real pseudo-terminals.
add_executable(invsim_tests ${CMAKE_CURRENT_SOURCE_DIR}/tools/invsim_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/temp_dir.cpp)
target_include_directories(invsim_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(invsim_tests PRIVATE invsim_core GTest::gmock GTest::gtest_main)
gtest_discover_tests(invsim_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
# Module tests also drive the built module against the inverter simulator.
target_link_libraries(vdinv_module_tests PRIVATE invsim_core)

# Thirty simulated days of a driver object on a line of 100 inverters in memory.
add_executable(vdinv_soak_tests ${CMAKE_CURRENT_SOURCE_DIR}/soak/soak_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/soak/inverter_line.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/engine_fixture.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/fake_clock.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/temp_dir.cpp)
target_include_directories(vdinv_soak_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vdinv_soak_tests PRIVATE vdinv_host invsim_core GTest::gtest_main)
gtest_discover_tests(vdinv_soak_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS soak TIMEOUT 300)

# Sixteen host threads on sixteen simulated lines at once, through the built module.
add_executable(vdinv_stress_tests ${CMAKE_CURRENT_SOURCE_DIR}/stress/stress_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/temp_dir.cpp)
target_include_directories(vdinv_stress_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vdinv_stress_tests PRIVATE vdinv_common invsim_core GTest::gmock
  GTest::gtest_main)
target_compile_definitions(vdinv_stress_tests PRIVATE VDINV_MODULE_PATH="$<TARGET_FILE:VD_Inv>")
add_dependencies(vdinv_stress_tests VD_Inv)
gtest_discover_tests(vdinv_stress_tests DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 300 LABELS stress)

# The Qt toolkit on Qt's offscreen platform, and its module VD_Inv_ui.so as the driver loads it.
find_package(Qt6 REQUIRED COMPONENTS Test)
file(GLOB QT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/qt/*.cpp)
add_executable(vdinv_qt_tests ${QT_TEST_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/support/temp_dir.cpp
  ${CMAKE_SOURCE_DIR}/tools/uihost/sanitizer_suppressions.cpp)
target_include_directories(vdinv_qt_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vdinv_qt_tests PRIVATE vdinv_qt vdinv_platform Qt6::Test GTest::gmock
  GTest::gtest_main)
target_compile_definitions(vdinv_qt_tests PRIVATE VDINV_UI_MODULE_PATH="$<TARGET_FILE:VD_Inv_ui>")
add_dependencies(vdinv_qt_tests VD_Inv_ui)
gtest_discover_tests(vdinv_qt_tests DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 120 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
# The driver's module never links Qt; the UI module exports its entry only.
add_test(NAME ui_module_links_and_exports COMMAND ${CMAKE_COMMAND}
  -DDRIVER=$<TARGET_FILE:VD_Inv> -DUI=$<TARGET_FILE:VD_Inv_ui>
  -P ${CMAKE_CURRENT_SOURCE_DIR}/platform/qt/check_ui_module.cmake)
# The wizard from end to end in the host harness (tools/uihost) on the offscreen platform.
add_test(NAME uihost_wizard_end_to_end
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/platform/qt/wizard_end_to_end_test.sh $<TARGET_FILE:uihost>
  $<TARGET_FILE:vdinv> ${CMAKE_CURRENT_BINARY_DIR}/uihost_wizard)
set_tests_properties(uihost_wizard_end_to_end PROPERTIES TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
add_dependencies(vdinv_qt_tests uihost vdinv)
# The wizard walked through X input on an X server in memory (Xvfb), vdinv the host; skipped
# (77) where Xvfb or xdotool is missing.
add_test(NAME wizard_x11_walk
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/platform/qt/wizard_x11_walk_test.sh $<TARGET_FILE:vdinv>
  ${CMAKE_CURRENT_BINARY_DIR}/wizard_x11_walk)
set_tests_properties(wizard_x11_walk PROPERTIES TIMEOUT 120 LABELS x11 SKIP_RETURN_CODE 77
  FIXTURES_REQUIRED x11_walk)
# Its X server and vdinv ended even when CTest killed the walk (its time-out).
add_test(NAME wizard_x11_walk_stop
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/platform/qt/wizard_x11_walk_test.sh --stop
  ${CMAKE_CURRENT_BINARY_DIR}/wizard_x11_walk)
set_tests_properties(wizard_x11_walk_stop PROPERTIES TIMEOUT 30 LABELS x11
  FIXTURES_CLEANUP x11_walk)
