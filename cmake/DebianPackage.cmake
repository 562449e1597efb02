# `cpack -G DEB` in the build folder: drollicant_<version>_<arch>.deb with every deliverable
# in the system folders (/usr/lib/lv2, /usr/lib/vst3, /usr/lib/clap, /usr/bin, the
# application under /usr/lib). CPack installs into a staging folder through DESTDIR, which
# the LV2 rule takes as a packaged install (<prefix>/lib/lv2, not ~/.lv2).
#
# Packaging takes what is built; it never builds the whole tree (tests and benchmarks
# included) first. Build the deliverables, then run cpack.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The VST3 and CLAP bundles, once their targets exist: each format's folder names what it
# built in DROLLICANT_VST3_BUNDLE (the Drollicant.vst3 folder) or DROLLICANT_CLAP_FILE
# (Drollicant.clap) and leaves installing to the rule here.
foreach(format vst3 clap)
  string(TOUPPER ${format} upper)
  if(NOT DEFINED DROLLICANT_${upper}_INSTALL_DIR)
    set(DROLLICANT_${upper}_INSTALL_DIR "" CACHE PATH
      "Folder the ${upper} plug-in is installed into (empty: ~/.${format}, or <prefix>/lib/${format} under DESTDIR)")
  endif()
endforeach()
if(TARGET drollicant_vst3 AND DEFINED DROLLICANT_VST3_BUNDLE)
  drollicant_install_plugin(vst3 ${DROLLICANT_VST3_BUNDLE} vst3)
endif()
if(TARGET drollicant_clap AND DEFINED DROLLICANT_CLAP_FILE)
  drollicant_install_plugin(clap ${DROLLICANT_CLAP_FILE} clap)
endif()

set(CPACK_PACKAGE_NAME drollicant)
set(CPACK_PACKAGE_VENDOR Drollicant)
set(CPACK_PACKAGE_CONTACT "Drollicant <urn:drollicant>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Stereo audio effect: carrier, octave-band modulated delays, saturation")
set(CPACK_PACKAGE_DESCRIPTION
  "An audio-rate carrier, an 11-band octave crossover with a modulated delay line and\nfeedback on every band, a tilted sum and a tanh saturator. LV2 plug-in with its editor,\nthe drollicant command-line renderer and a small application.")
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # drollicant_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The virtual package Debian's LV2 plug-in packages provide.
set(CPACK_DEBIAN_PACKAGE_PROVIDES lv2-plugin)
# Debug information stays in the build tree; a package of it would be ten times the size.
set(CPACK_STRIP_FILES ON)
include(CPack)
