# cmake -DDRIVER=VD_Inv.so -DUI=VD_Inv_ui.so -P check_ui_module.cmake
# The driver's module needs no Qt library (Qt is loaded with VD_Inv_ui.so when a window is first
# shown), and VD_Inv_ui.so exports nothing but its entry.
execute_process(COMMAND readelf -d ${DRIVER} OUTPUT_VARIABLE needed RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "readelf failed on ${DRIVER}")
endif()
if(needed MATCHES "Qt")
  message(FATAL_ERROR "${DRIVER} links Qt:\n${needed}")
endif()
execute_process(COMMAND nm -D --defined-only ${UI} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm failed on ${UI}")
endif()
string(REGEX MATCHALL "[0-9a-f]+ [TDWVRui] [^\n]+" exported "${symbols}")
if(NOT exported STREQUAL "VdinvUiToolkit" AND NOT exported MATCHES "^[0-9a-f]+ T VdinvUiToolkit$")
  message(FATAL_ERROR "${UI} exports more than VdinvUiToolkit:\n${symbols}")
endif()
