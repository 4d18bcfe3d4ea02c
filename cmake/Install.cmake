# Installs Velmora like any desktop program, in the GNU install folders: the two commands,
# the help pages, the desktop entry, the icon, the AppStream metainfo, the manual pages and
# the package's copyright and changelog. Included by the top level once every target
# exists; it names targets only, so the files of each part stay with that part.
set(VELMORA_APP_ID org.quorrin.velmora)
set(VELMORA_DESKTOP_SRC ${PROJECT_SOURCE_DIR}/data/desktop)
set(VELMORA_INSTALL_OUT ${CMAKE_BINARY_DIR}/install-files)
set(VELMORA_DOC_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/doc/velmora)

find_program(VELMORA_GZIP gzip REQUIRED)
find_program(VELMORA_RSVG_CONVERT rsvg-convert)

# A copy of `src` compressed as Debian ships documentation: gzip -9n, without the file's
# name and time, so that two builds give the same bytes.
function(velmora_gzipped src name out_var)
  set(plain ${VELMORA_INSTALL_OUT}/${name})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${src} ${plain}
    COMMAND ${VELMORA_GZIP} -9nf ${plain}
    DEPENDS ${src}
    COMMENT "Compressing ${name}"
    VERBATIM)
  set(${out_var} ${plain}.gz PARENT_SCOPE)
endfunction()

velmora_gzipped(${PROJECT_SOURCE_DIR}/docs/man/velmora-rubi.1 velmora-rubi.1 VELMORA_MAN_RUBI)
velmora_gzipped(${PROJECT_SOURCE_DIR}/packaging/debian/changelog changelog VELMORA_CHANGELOG)
set(VELMORA_INSTALL_OUTPUTS ${VELMORA_MAN_RUBI} ${VELMORA_CHANGELOG})

install(TARGETS velmora-rubi RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VELMORA_MAN_RUBI} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${VELMORA_CHANGELOG}
  DESTINATION ${VELMORA_DOC_INSTALL_DIR})

if(TARGET velmora)
  velmora_gzipped(${PROJECT_SOURCE_DIR}/docs/man/velmora.1 velmora.1 VELMORA_MAN_APP)
  list(APPEND VELMORA_INSTALL_OUTPUTS ${VELMORA_MAN_APP})

  install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${VELMORA_MAN_APP} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # The program finds this folder relative to itself (src/platform/HelpPage.cpp).
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/Help/ DESTINATION ${VELMORA_HELP_INSTALL_DIR})
  install(FILES ${VELMORA_DESKTOP_SRC}/velmora.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${VELMORA_DESKTOP_SRC}/${VELMORA_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The icon: drawn as SVG, rendered to the fixed sizes menus and docks ask for.
  install(FILES ${VELMORA_DESKTOP_SRC}/velmora.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  if(VELMORA_RSVG_CONVERT)
    foreach(size 48 128)
      set(png ${VELMORA_INSTALL_OUT}/icons/${size}x${size}/velmora.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_INSTALL_OUT}/icons/${size}x${size}
        COMMAND ${VELMORA_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                ${VELMORA_DESKTOP_SRC}/velmora.svg
        DEPENDS ${VELMORA_DESKTOP_SRC}/velmora.svg
        COMMENT "Rendering the ${size} px icon"
        VERBATIM)
      list(APPEND VELMORA_INSTALL_OUTPUTS ${png})
      install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
  else()
    message(WARNING "rsvg-convert (librsvg2-bin) is missing: the icon is installed as SVG only")
  endif()
endif()

add_custom_target(velmora_install_files ALL DEPENDS ${VELMORA_INSTALL_OUTPUTS})
