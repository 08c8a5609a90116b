# Gives a shared object its version script: the symbols it exports and their
# version node. Relinks when the script changes.
function(orv_version_script target script)
  target_link_options(${target} PRIVATE "LINKER:--version-script=${script}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()
