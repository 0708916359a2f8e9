# The module's export files, made from the table of exports in include/VD_Inv.h so that the
# header, the .def file and the version script cannot name different functions. The table's
# lines read "X(Name, stack)": stack is the argument bytes of the 32-bit __stdcall symbol.
#
# vdinv_read_exports(names stacks): the names and their stack bytes in the table's order.
function(vdinv_read_exports names_out stacks_out)
  set(header ${CMAKE_SOURCE_DIR}/include/VD_Inv.h)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
  file(READ ${header} text)
  string(REGEX MATCHALL "X\\([ \t]*[A-Za-z_][A-Za-z_0-9]*[ \t]*,[ \t]*[0-9]+[ \t]*\\)" entries
    "${text}")
  set(names)
  set(stacks)
  foreach(entry ${entries})
    string(REGEX MATCH "X\\([ \t]*([A-Za-z_0-9]+)[ \t]*,[ \t]*([0-9]+)" _ "${entry}")
    list(APPEND names ${CMAKE_MATCH_1})
    list(APPEND stacks ${CMAKE_MATCH_2})
  endforeach()
  set(unique ${names})
  list(REMOVE_DUPLICATES unique)
  if(NOT names OR NOT unique STREQUAL names)
    message(FATAL_ERROR "${header}: the table of exports is empty or names one twice: ${names}")
  endif()
  set(${names_out} ${names} PARENT_SCOPE)
  set(${stacks_out} ${stacks} PARENT_SCOPE)
endfunction()

# Written only when changed, so that a reconfigure does not relink the module.
function(vdinv_write_if_changed file text)
  set(old "")
  if(EXISTS ${file})
    file(READ ${file} old)
  endif()
  if(NOT old STREQUAL text)
    file(WRITE ${file} "${text}")
  endif()
endfunction()

# vdinv_write_export_files(def map): writes BUILD/VD_Inv.def (Windows: undecorated names; on
# i686 each "Name = Name@stack", so that a definition whose argument bytes differ fails to
# link) and BUILD/exports.map (the Linux version script: the exports global, all else local).
function(vdinv_write_export_files def_out map_out)
  vdinv_read_exports(names stacks)
  set(def "; Made by the build from the table of exports in include/VD_Inv.h.\n")
  string(APPEND def "LIBRARY VD_Inv.dll\nEXPORTS\n")
  set(map "/* Made by the build from the table of exports in include/VD_Inv.h. */\n{\n  global:\n")
  foreach(name stack IN ZIP_LISTS names stacks)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      string(APPEND def "  ${name} = ${name}@${stack}\n")
    else()
      string(APPEND def "  ${name}\n")
    endif()
    string(APPEND map "    ${name};\n")
  endforeach()
  string(APPEND map "  local:\n    *;\n};\n")
  vdinv_write_if_changed(${CMAKE_BINARY_DIR}/VD_Inv.def "${def}")
  vdinv_write_if_changed(${CMAKE_BINARY_DIR}/exports.map "${map}")
  set(${def_out} ${CMAKE_BINARY_DIR}/VD_Inv.def PARENT_SCOPE)
  set(${map_out} ${CMAKE_BINARY_DIR}/exports.map PARENT_SCOPE)
endfunction()
