# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch folder and checks it as a desktop, a
# software centre and a packager would read it.
#   cmake -DBUILD_DIR=<build tree> -DSTAGE=<scratch folder> -DAPP_ID=<id> -DICON_SIZES=<sizes>
#         -P check_installed.cmake
set(id ${APP_ID})
file(REMOVE_RECURSE "${STAGE}")

include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${STAGE}")
run(desktop-file-validate "${STAGE}/share/applications/${id}.desktop")
run(appstreamcli validate --no-net "${STAGE}/share/metainfo/${id}.metainfo.xml")
run(appstreamcli validate-tree --no-net "${STAGE}")

set(expected
    bin/tarvelin
    share/icons/hicolor/scalable/apps/${id}.svg
    share/man/man6/tarvelin.6.gz
    share/doc/tarvelin/copyright
    share/doc/tarvelin/changelog.gz)
foreach(size IN LISTS ICON_SIZES)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/${id}.png)
endforeach()
foreach(path IN LISTS expected)
    if(NOT EXISTS "${STAGE}/${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
list(LENGTH expected count)
message(STATUS "desktop entry and metainfo valid; all ${count} files installed")
