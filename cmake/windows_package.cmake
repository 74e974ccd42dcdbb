# What the Windows installer and zip hold (cpack -G NSIS, cpack -G ZIP in the win32 build):
# Nebrisk.exe, vorpex.exe and the three DLLs side by side in one folder, as Nebrisk loads the
# libraries from its own folder and Windows finds a program's DLLs there; the sample package in
# sample-package\, apart, so that the window never takes it for the user's upgrade package.
# packaging/windows/NSIS.template.in makes a per-user installer of it.
install(TARGETS vorpex Nebrisk RUNTIME DESTINATION .)
set(windows_libraries VORPEXUSB ORVANEUsbDll)
if(TARGET vorpexsim)
  list(APPEND windows_libraries vorpexsim)
endif()
foreach(library ${windows_libraries})
  install(FILES $<TARGET_FILE:${library}> DESTINATION .)
endforeach()
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/CodecFileInfo.ini DESTINATION sample-package)
install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/BootCodec DESTINATION sample-package)

# Packaging waits for what it installs only, not for every test program of the build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME Vorpex)
set(CPACK_PACKAGE_VENDOR "The Vorpex player software developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Upgrade and manage a Vorpex portable MP3 player")
set(CPACK_PACKAGE_FILE_NAME Vorpex-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vorpex)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Vorpex)
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_STRIP_FILES ON)
set(CPACK_NSIS_DISPLAY_NAME "Vorpex Firmware Upgrade")
set(CPACK_NSIS_PACKAGE_NAME "Vorpex ${PROJECT_VERSION}")
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# packaging/windows holds the installer's script template (NSIS.template.in), found there first.
list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
include(CPack)
