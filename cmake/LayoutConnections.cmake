# A layout's connections as function-pointer connections. uic writes them as
# string connections, which look the signal and the slot up by their
# signatures on every dialog (about 5,000 instructions each) and find a
# misspelt name only at run time. This reads the layout's <connections> at
# configure time and writes:
#   OUT_UI      the layout without them, for uic;
#   OUT_HEADER  an inline function NAMESPACE::FUNCTION(RECEIVER* form) making
#               them with member-function pointers, checked by the compiler;
#               it is included after RECEIVER's declaration.
# The layout stays where handlers are bound, by name.
function(orv_layout_connections ui out_ui out_header namespace receiver function)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ui})
  file(READ ${ui} text)
  string(REGEX MATCH "<widget class=\"([^\"]+)\" name=\"([^\"]+)\">" top "${text}")
  set(top_class ${CMAKE_MATCH_1})
  set(top_name ${CMAKE_MATCH_2})
  set(pattern "<connection>[ \t\r\n]*<sender>([^<]+)</sender>[ \t\r\n]*<signal>([^<(]+)\\([^<]*</signal>[ \t\r\n]*<receiver>([^<]+)</receiver>[ \t\r\n]*<slot>([^<(]+)\\([^<]*</slot>[ \t\r\n]*</connection>")
  # Entities hold semicolons, which would split CMake's lists; the argument
  # types they spell are the compiler's to check.
  string(REPLACE "&amp;" "&" plain "${text}")
  string(REGEX MATCHALL "${pattern}" connections "${plain}")
  string(REGEX MATCHALL "<connection>" opened "${plain}")
  list(LENGTH connections made)
  list(LENGTH opened declared)
  if(NOT made EQUAL declared)
    message(FATAL_ERROR "${ui}: ${declared} connections, ${made} of them readable")
  endif()
  set(lines "")
  foreach(c IN LISTS connections)
    string(REGEX MATCH "${pattern}" _ "${c}")
    set(sender ${CMAKE_MATCH_1})
    set(signal ${CMAKE_MATCH_2})
    set(target ${CMAKE_MATCH_3})
    set(slot ${CMAKE_MATCH_4})
    if(NOT target STREQUAL top_name)
      message(FATAL_ERROR "${ui}: a connection to ${target}; only the form (${top_name}) receives")
    endif()
    if(sender STREQUAL top_name)
      set(object "form")
      set(class ${top_class})
    else()
      string(REGEX MATCH "<widget class=\"([^\"]+)\" name=\"${sender}\">" found "${text}")
      if(NOT found)
        message(FATAL_ERROR "${ui}: a connection from ${sender}, which the layout does not have")
      endif()
      set(object "form->${sender}")
      set(class ${CMAKE_MATCH_1})
    endif()
    string(APPEND lines "    QObject::connect(${object}, &${class}::${signal}, form, &${receiver}::${slot});\n")
  endforeach()
  string(REGEX REPLACE "<connections>.*</connections>" "" stripped "${text}")
  file(CONFIGURE OUTPUT ${out_ui} CONTENT "${stripped}" @ONLY)
  get_filename_component(name ${ui} NAME)
  file(CONFIGURE OUTPUT ${out_header} CONTENT "// Made from ${name} at configure time: its connections.
#pragma once
namespace ${namespace} {
inline void ${function}(${receiver}* form) {
${lines}}
}  // namespace ${namespace}
" @ONLY)
endfunction()
