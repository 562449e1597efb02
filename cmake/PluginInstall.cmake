# drollicant_install_plugin(<format> <built bundle: folder or file> <component>)
#
# Installs a plug-in bundle into DROLLICANT_<FORMAT>_INSTALL_DIR. Given absolute, it is used
# as it stands; relative, under the prefix. Empty (the default) picks the folder hosts
# search: for a staged install (DESTDIR set, as cpack and distribution packagers do) the
# system folder <prefix>/lib/<format>, else the installing user's ~/.<format>, so that a
# plain `cmake --install build` needs no root and a package never holds a home folder.
function(drollicant_install_plugin format bundle component)
  string(TOUPPER ${format} upper)
  install(CODE "
    set(dir \"${DROLLICANT_${upper}_INSTALL_DIR}\")
    if(dir STREQUAL \"\")
      if(NOT \"\$ENV{DESTDIR}\" STREQUAL \"\")
        set(dir \"\${CMAKE_INSTALL_PREFIX}/lib/${format}\")
      else()
        set(dir \"\$ENV{HOME}/.${format}\")
      endif()
    elseif(NOT IS_ABSOLUTE \"\${dir}\")
      set(dir \"\${CMAKE_INSTALL_PREFIX}/\${dir}\")
    endif()
    if(IS_DIRECTORY \"${bundle}\")
      get_filename_component(name \"${bundle}\" NAME)
      file(INSTALL DESTINATION \"\${dir}/\${name}\" TYPE DIRECTORY USE_SOURCE_PERMISSIONS FILES \"${bundle}/\")
    else()
      file(INSTALL DESTINATION \"\${dir}\" TYPE SHARED_LIBRARY FILES \"${bundle}\")
    endif()
    " COMPONENT ${component})
endfunction()
