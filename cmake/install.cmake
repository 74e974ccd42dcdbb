# What `cmake --install` puts on a Linux system, and the Debian packages of it (cpack -G DEB),
# split as Debian splits libraries:
# - libvorpex0 (component "runtime"): the two libraries and the simulated player's, each with
#   its SONAME (libVORPEXUSB.so.0, ...), the name they are loaded by at run time;
# - libvorpex-dev ("development"): the public headers, the unversioned links, the pkg-config
#   files and a CMake package (find_package(Vorpex));
# - vorpex ("program"): vorpex and nebrisk with their man pages, the udev rule that lets the
#   logged-in user open the player, bash completion for vorpex, the desktop entry of the upgrade
#   window with its icon, and the sample package in share/vorpex/sample-package: synthetic images
#   for a simulated player, never a default package. nebrisk lives in a folder of its own with
#   the libraries linked beside it, as it loads them from there (linked from /usr/bin).
include(GNUInstallDirs)

set(vorpex_libraries VORPEXUSB ORVANEUsbDll)
if(TARGET vorpexsim)
  list(APPEND vorpex_libraries vorpexsim)
endif()
set_target_properties(${vorpex_libraries} PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})

install(TARGETS ${vorpex_libraries}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
install(FILES
  include/VORPEXUSB.h include/ORVANEUsbDll.h include/vorpex_host.h include/playersim.h
  include/playersim_vizu10.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vorpex COMPONENT development)

install(TARGETS vorpex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(FILES packaging/70-vorpex-player.rules DESTINATION lib/udev/rules.d COMPONENT program)
install(FILES packaging/vorpex.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME vorpex COMPONENT program)

# Man pages and changelogs compressed as Debian wants them (gzip -9n: no name, no time stamp,
# so the same sources give the same bytes).
set(vorpex_gz_dir ${CMAKE_BINARY_DIR}/packaging/gz)
function(vorpex_gzip source name out)
  set(target ${vorpex_gz_dir}/${name}.gz)
  add_custom_command(OUTPUT ${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${vorpex_gz_dir}
    COMMAND gzip -9n -c ${source} > ${target}
    DEPENDS ${source} VERBATIM)
  set(${out} ${target} PARENT_SCOPE)
endfunction()
vorpex_gzip(${PROJECT_SOURCE_DIR}/packaging/vorpex.1 vorpex.1 vorpex_man)
vorpex_gzip(${PROJECT_SOURCE_DIR}/packaging/nebrisk.1 nebrisk.1 nebrisk_man)
vorpex_gzip(${PROJECT_SOURCE_DIR}/packaging/debian/changelog changelog vorpex_changelog)
add_custom_target(vorpex_packaging_files ALL DEPENDS ${vorpex_man} ${nebrisk_man} ${vorpex_changelog})
install(FILES ${vorpex_man} ${nebrisk_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)

# Every package carries the copyright file and the changelog in its documentation folder.
set(vorpex_components runtime development program)
set(vorpex_packages libvorpex0 libvorpex-dev vorpex)
foreach(component package IN ZIP_LISTS vorpex_components vorpex_packages)
  install(FILES packaging/debian/copyright ${vorpex_changelog}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
install(FILES packaging/debian/libvorpex0.lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME libvorpex0 COMPONENT runtime)

if(TARGET nebrisk)
  set(nebrisk_dir ${CMAKE_INSTALL_LIBDIR}/vorpex/nebrisk)
  install(TARGETS nebrisk RUNTIME DESTINATION ${nebrisk_dir} COMPONENT program)
  install(FILES packaging/nebrisk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
    COMPONENT program)
  install(FILES packaging/nebrisk.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    COMPONENT program)
  set(sample_dir ${CMAKE_INSTALL_DATADIR}/vorpex/sample-package)
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/CodecFileInfo.ini DESTINATION ${sample_dir}
    COMPONENT program)
  install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/BootCodec DESTINATION ${sample_dir}
    COMPONENT program)
  # nebrisk loads each library by its SONAME from its own folder: links to the installed ones
  # (decided here which there are: install scripts run without this project's policies, where
  # if(ON) is false).
  set(nebrisk_libraries)
  foreach(library ${vorpex_libraries})
    list(APPEND nebrisk_libraries lib$<TARGET_FILE_BASE_NAME:${library}>.so.${PROJECT_VERSION_MAJOR})
  endforeach()
  install(CODE "
    set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${nebrisk_dir}\")
    foreach(library ${nebrisk_libraries})
      file(CREATE_LINK ../../\${library} \"\${dir}/\${library}\" SYMBOLIC)
    endforeach()
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${nebrisk_dir}/nebrisk
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/nebrisk\" SYMBOLIC)"
    COMPONENT program)
endif()

foreach(library VORPEXUSB ORVANEUsbDll)
  configure_file(packaging/${library}.pc.in ${CMAKE_BINARY_DIR}/packaging/${library}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${library}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
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
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vorpex COMPONENT development)

include(cmake/debian_package.cmake)
