# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer (NSIS) and, for a computer where the user may not
# install software, a .zip with the bare program: cpack --preset windows.
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_FILE_NAME "Tarvelin-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarvelin)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Tarvelin)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The Start-menu entry: tarvelin.exe, named Tarvelin, in a folder of that name.
set(CPACK_PACKAGE_EXECUTABLES tarvelin Tarvelin)
set(CPACK_NSIS_DISPLAY_NAME Tarvelin)
set(CPACK_NSIS_PACKAGE_NAME Tarvelin)
set(CPACK_NSIS_INSTALLED_ICON_NAME tarvelin.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/assets/icons/tarvelin.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/assets/icons/tarvelin.ico)
set(CPACK_NSIS_URL_INFO_ABOUT "${CPACK_PACKAGE_HOMEPAGE_URL}")
# The bare program alone in the .zip, without a folder around it.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64") # a 64-bit program, not under "Program Files (x86)"
# A 64-bit installer: it runs where the program does, and writes the native registry.
set(CPACK_NSIS_DEFINES "  Target amd64-unicode")
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
