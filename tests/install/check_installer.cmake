# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Windows installer, runs it silently on Wine into a scratch prefix,
# and checks what it installed, the Start-menu entry and the uninstaller; then
# uninstalls silently and checks that the program is gone.
#   cmake -DBUILD_DIR=<windows build tree> -DSTAGE=<scratch folder> -DVERSION=<x.y.z>
#         -DWINE=<the tests' Wine wrapper> -P check_installer.cmake
# The scratch Wine prefix is made anew under STAGE, by the wrapper on first use.
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
set(ENV{WINEPREFIX} "${STAGE}/wine")

include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

run(cpack -G NSIS --config "${BUILD_DIR}/CPackConfig.cmake" -B "${STAGE}/package")
set(installer "${STAGE}/package/Tarvelin-${VERSION}-win64.exe")
if(NOT EXISTS "${installer}")
    message(FATAL_ERROR "cpack wrote no ${installer}")
endif()

run(${WINE} "${installer}" /S)
run(wineserver --wait)

set(drive "$ENV{WINEPREFIX}/drive_c")
set(home "${drive}/Program Files/Tarvelin")
foreach(file tarvelin.exe Uninstall.exe LICENSE.txt)
    if(NOT EXISTS "${home}/${file}")
        message(FATAL_ERROR "the installer put no ${file} into Program Files/Tarvelin")
    endif()
endforeach()
# For all users (ProgramData) or for the one who installed it.
function(find_shortcut out)
    file(GLOB_RECURSE links "${drive}/*.lnk")
    list(FILTER links INCLUDE REGEX "/Start Menu/Programs/Tarvelin/Tarvelin\\.lnk$")
    set(${out} "${links}" PARENT_SCOPE)
endfunction()
find_shortcut(shortcuts)
if(NOT shortcuts)
    message(FATAL_ERROR "no Start-menu entry Tarvelin/Tarvelin.lnk")
endif()
# Windows lists an installed program by its uninstall key.
set(key "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvelin")
execute_process(COMMAND ${WINE} reg query "${key}" /v UninstallString OUTPUT_VARIABLE listed ERROR_QUIET)
if(NOT listed MATCHES "Uninstall.exe")
    execute_process(COMMAND ${WINE} reg query "${key}" /v UninstallString /reg:32 OUTPUT_VARIABLE listed ERROR_QUIET)
endif()
if(NOT listed MATCHES "Uninstall.exe")
    message(FATAL_ERROR "the uninstaller is not listed under ${key}")
endif()

# The uninstaller copies itself away and waits for nothing, so wait for Wine.
run(${WINE} "${home}/Uninstall.exe" /S)
run(wineserver --wait)
if(EXISTS "${home}/tarvelin.exe")
    message(FATAL_ERROR "the uninstaller left tarvelin.exe behind")
endif()
find_shortcut(shortcuts)
if(shortcuts)
    message(FATAL_ERROR "the uninstaller left the Start-menu entry behind")
endif()
message(STATUS "installed, listed and uninstalled: ${installer}")
