# What `cmake --install` puts on a Linux system, and the Debian package of it (cpack -G DEB):
# the two libraries with their SONAME, the simulated player's library, the public headers, vorpex with its man page, the
# pkg-config files, a CMake package (find_package(Vorpex)), the udev rule that lets the
# logged-in user open the player, nebrisk in a folder of its own with the libraries beside it, as
# it expects them (linked from /usr/bin), and the sample package apart from it, in
# share/vorpex/sample-package: synthetic images for a simulated player, never a default package.
include(GNUInstallDirs)

set_target_properties(VORPEXUSB ORVANEUsbDll PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})

install(TARGETS VORPEXUSB ORVANEUsbDll LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The simulated player's library is loaded by its plain name (libvorpexsim.so), beside the chip
# library or by the system's search; it carries no version of its own.
if(TARGET vorpexsim)
  install(TARGETS vorpexsim LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
install(TARGETS vorpex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES
  include/VORPEXUSB.h include/ORVANEUsbDll.h include/vorpex_host.h include/playersim.h
  include/playersim_vizu10.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vorpex)
install(FILES packaging/vorpex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/70-vorpex-player.rules DESTINATION lib/udev/rules.d)

if(TARGET nebrisk)
  set(nebrisk_dir ${CMAKE_INSTALL_LIBDIR}/vorpex/nebrisk)
  install(TARGETS nebrisk RUNTIME DESTINATION ${nebrisk_dir})
  set(sample_dir ${CMAKE_INSTALL_DATADIR}/vorpex/sample-package)
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/CodecFileInfo.ini DESTINATION ${sample_dir})
  install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/BootCodec DESTINATION ${sample_dir})
  # The simulated player's library is loaded by its plain name, so nebrisk finds it beside
  # itself as it finds the other two (decided here: install scripts run without this project's
  # policies, where if(ON) is false).
  set(nebrisk_unversioned_libraries)
  if(TARGET vorpexsim)
    set(nebrisk_unversioned_libraries vorpexsim)
  endif()
  install(CODE "
    set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${nebrisk_dir}\")
    foreach(library VORPEXUSB ORVANEUsbDll)
      file(CREATE_LINK ../../lib\${library}.so.${PROJECT_VERSION_MAJOR} \"\${dir}/lib\${library}.so\" SYMBOLIC)
    endforeach()
    foreach(library ${nebrisk_unversioned_libraries})
      file(CREATE_LINK ../../lib\${library}.so \"\${dir}/lib\${library}.so\" SYMBOLIC)
    endforeach()
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${nebrisk_dir}/nebrisk
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/nebrisk\" SYMBOLIC)")
endif()

foreach(library VORPEXUSB ORVANEUsbDll)
  configure_file(packaging/${library}.pc.in ${CMAKE_BINARY_DIR}/packaging/${library}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${library}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
include(CMakePackageConfigHelpers)
configure_package_config_file(packaging/VorpexConfig.cmake.in
  ${CMAKE_BINARY_DIR}/packaging/VorpexConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vorpex
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/packaging/VorpexConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/packaging/VorpexConfig.cmake
  ${CMAKE_BINARY_DIR}/packaging/VorpexConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vorpex)

set(CPACK_PACKAGE_NAME vorpex-player)
set(CPACK_PACKAGE_CONTACT "Vorpex player software <nobody@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Libraries and the vorpex command line for the Vorpex portable MP3 player")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# vorpex mount unmounts through fusermount3.
if(VORPEX_FUSE)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fuse3)
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
