# Checks the files that are installed beside the programs against the programs and each
# other: every option velmora-rubi --help lists is in its manual page, the manual pages
# render without a warning, the desktop entry and the AppStream metainfo validate, and the
# versions of the metainfo and the package changelog are the project's.
#
#   cmake -DRUBI=<velmora-rubi> -DSOURCE_DIR=<checkout> -DVERSION=<x.y.z> -DAPP_ID=<id>
#         -P CheckInstallFiles.cmake
set(failures "")
macro(fail text)
  string(APPEND failures "  ${text}\n")
endmacro()

# Options of --help against the manual page (where "-" is written "\-").
execute_process(COMMAND ${RUBI} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  fail("velmora-rubi --help exited with ${rc}")
endif()
file(READ ${SOURCE_DIR}/docs/man/velmora-rubi.1 man)
string(REGEX MATCHALL "(^|[ \n])--?[a-z][a-z-]*" options "${help}")
list(REMOVE_DUPLICATES options)
list(LENGTH options count)
if(count LESS 5)
  fail("velmora-rubi --help lists only ${count} options")
endif()
foreach(option ${options})
  string(STRIP "${option}" option)
  string(REPLACE "-" "\\-" escaped "${option}")
  string(FIND "${man}" "${escaped}" at)
  if(at EQUAL -1)
    fail("the manual page of velmora-rubi does not document ${option}")
  endif()
endforeach()

# The manual pages render without warnings.
find_program(GROFF groff)
if(GROFF)
  foreach(page velmora-rubi.1 velmora.1)
    execute_process(COMMAND ${GROFF} -man -Tutf8 -K utf8 -ww -z ${SOURCE_DIR}/docs/man/${page}
      ERROR_VARIABLE warnings RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
      fail("${page} does not render cleanly: ${warnings}")
    endif()
  endforeach()
endif()

set(desktop ${SOURCE_DIR}/data/desktop)
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${desktop}/velmora.desktop
    OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    fail("velmora.desktop: ${out}")
  endif()
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND ${APPSTREAMCLI} validate --no-net ${desktop}/${APP_ID}.metainfo.xml
    OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    fail("${APP_ID}.metainfo.xml: ${out}")
  endif()
endif()

# One version everywhere: the newest release of the metainfo and of the changelog.
file(READ ${desktop}/${APP_ID}.metainfo.xml metainfo)
string(REGEX MATCH "<release version=\"([^\"]*)\"" _ "${metainfo}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  fail("the metainfo's newest release is '${CMAKE_MATCH_1}', the project is ${VERSION}")
endif()
file(STRINGS ${SOURCE_DIR}/packaging/debian/changelog first LIMIT_COUNT 1)
string(REGEX MATCH "^velmora \\(([^)]*)\\)" _ "${first}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  fail("the changelog's newest entry is '${CMAKE_MATCH_1}', the project is ${VERSION}")
endif()
# The window names its class after the desktop entry's StartupWMClass (checked on a live
# window by the package test); the entry and the metainfo agree on the desktop file.
file(READ ${desktop}/velmora.desktop entry)
if(NOT entry MATCHES "\nStartupWMClass=velmora\n")
  fail("velmora.desktop: StartupWMClass is not velmora")
endif()
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">velmora.desktop</launchable>")
  fail("the metainfo does not launch velmora.desktop")
endif()

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "Install files:\n${failures}")
endif()
message(STATUS "install files: ${count} options documented, entries valid, version ${VERSION}")
