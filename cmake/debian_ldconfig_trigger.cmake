# Run by cpack after it made the Debian packages (CPACK_POST_BUILD_SCRIPTS): the library
# package gets the ldconfig trigger that Debian asks for in place of the postinst and postrm
# that call ldconfig, which are all CPack's own generator can give it.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  if(NOT name MATCHES "^libvorpex0_.*\\.deb$")
    continue()
  endif()
  set(root "${CPACK_TOPLEVEL_DIRECTORY}/ldconfig-trigger")
  file(REMOVE_RECURSE "${root}")
  execute_process(COMMAND dpkg-deb -R "${package}" "${root}" COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE "${root}/DEBIAN/postinst" "${root}/DEBIAN/postrm")
  file(WRITE "${root}/DEBIAN/triggers" "activate-noawait ldconfig\n")
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b "${root}" "${package}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${root}")
endforeach()
