# The module's export and import tables as objdump -p shows them:
#   cmake -DOBJDUMP=i686-w64-mingw32-objdump -DMODULE=VD_Inv.dll -DEXPORTS=IniDriver,... \
#     -P check_exports.cmake
# Exactly the export names of VD_Inv.h's table (EXPORTS, separated by commas), undecorated (no
# "_Name@N", nothing of the runtime), and
# only system DLLs imported: the runtime is linked in, so no libgcc, libstdc++ or winpthread
# DLL has to travel with the module.
cmake_minimum_required(VERSION 3.22)
string(REPLACE "," ";" expected_exports "${EXPORTS}")
list(SORT expected_exports)
set(system_dlls ADVAPI32.DLL COMCTL32.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL
  SHELL32.DLL USER32.DLL VERSION.DLL)

execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed")
endif()

# "\t[   0] +base[   1] 0001 DetectScanTime" or "\t[   0] DetectScanTime" in the name table.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]+\\[[^\n]*\n)*)" table "${dump}")
string(REGEX MATCHALL "[^ \t\n]+\n" names "${CMAKE_MATCH_1}")
list(TRANSFORM names STRIP)
list(SORT names)
if(NOT names STREQUAL expected_exports)
  message(FATAL_ERROR "exports: ${names}\nexpected: ${expected_exports}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
foreach(dll ${imports})
  string(TOUPPER "${dll}" upper)
  if(NOT upper IN_LIST system_dlls)
    message(FATAL_ERROR "imports ${dll}, which is not a system DLL (allowed: ${system_dlls})")
  endif()
endforeach()
message(STATUS "exports: ${names}; imports: ${imports}")

# Without a manifest a module gets the common controls of version 5, which name fewer functions
# than version 6 (the subclass helpers only by number): a module that imports one of those by
# name would not load at all.
string(REGEX MATCH "DLL Name: COMCTL32.DLL\n[^\n]*\n(([ \t]+[0-9a-f]+[ \t]+[0-9]+[ \t]+[^\n]+\n)*)"
  comctl "${dump}")
string(REGEX MATCHALL "[A-Za-z_0-9]+\n" comctl_names "${CMAKE_MATCH_1}")
list(TRANSFORM comctl_names STRIP)
foreach(name ${comctl_names})
  if(NOT name MATCHES "^(InitCommonControlsEx|InitCommonControls)$")
    message(FATAL_ERROR "imports ${name} from COMCTL32, which version 5 does not name")
  endif()
endforeach()
