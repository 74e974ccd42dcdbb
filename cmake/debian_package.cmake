# The three Debian packages of what cmake/install.cmake installs (cpack -G DEB): one a component.
set(CPACK_PACKAGE_NAME vorpex)
set(CPACK_PACKAGE_VENDOR "The Vorpex player software developers")
set(CPACK_PACKAGE_CONTACT "Vorpex player software <vorpex@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development program)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The project's own libraries are found in the build folder; the packages that need them name
# libvorpex0 themselves, at this very version.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vorpex.example.org/")

set(vorpex_exact "(= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libvorpex0)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# shlibs and the ldconfig trigger: the libraries' SONAMEs, and the package that holds them.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian_ldconfig_trigger.cmake)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "Libraries for the Vorpex portable MP3 player
The chip library (libVORPEXUSB) and the device library (libORVANEUsbDll) of
the Vorpex portable MP3 player: firmware upgrades from Intel HEX files, the
player's device information, and the files of its two memories (list, copy
both ways, rename, delete, format), over libusb-1.0. The simulated player's
library (libvorpexsim) stands in for a player where none is attached.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvorpex-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libvorpex0 ${vorpex_exact}")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_ARCHITECTURE_INDEPENDENT OFF)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "Libraries for the Vorpex portable MP3 player - development files
The C headers of the chip library (VORPEXUSB.h), the device library
(ORVANEUsbDll.h), the simulated player (playersim.h) and of hosting the
libraries' user interface (vorpex_host.h), with pkg-config files and a CMake
package (find_package(Vorpex)) to build programs against them.")

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME vorpex)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "libvorpex0 ${vorpex_exact}")
# vorpex mount unmounts through fusermount3.
if(VORPEX_FUSE)
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS fuse3)
endif()
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
  "Upgrade and manage a Vorpex portable MP3 player
vorpex, on the command line, upgrades the player's boot code and codec from
Intel HEX files, shows its device information and copies, lists, renames and
deletes the files of its memories, syncs a music folder to it and, with FUSE 3,
mounts it as a folder. nebrisk is the upgrade window: two buttons
that upgrade the player from an upgrade package. Both can work on a simulated
player instead of a real one; a sample package of synthetic images is
included for that. A udev rule lets the logged-in user open the player.")

include(CPack)
