# The installed layout, for distribution packages (`cmake --install build --prefix P`):
#   P/bin/OrvoPlayer                          the program, run path to the private folder
#   P/lib/orvoplayer/                         its four libraries and the FFmpeg plugin
#   P/share/orvoplayer/                       res/, skin/, config.xml, skinlist.xml (read only)
#   P/share/applications/orvoplayer.desktop   desktop entry
#   P/share/metainfo/…metainfo.xml            AppStream metadata
#   P/share/icons/hicolor/NxN/apps/           the program icon
# The installed program finds the libraries and the data relative to its own folder
# (platform/InstallLayout), so the prefix given at install time may differ from the configured
# one. Its own data live in the user's data folder.
include(GNUInstallDirs)
set(ORVO_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/orvoplayer)
set(ORVO_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/orvoplayer)
foreach(dir BINDIR LIBDIR DATADIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    message(FATAL_ERROR "OrvoPlayer installs relocatably: CMAKE_INSTALL_${dir} must be relative")
  endif()
endforeach()
file(RELATIVE_PATH ORVO_INSTALL_LIBS_FROM_BIN /${CMAKE_INSTALL_BINDIR} /${ORVO_INSTALL_LIBDIR})
file(RELATIVE_PATH ORVO_INSTALL_DATA_FROM_BIN /${CMAKE_INSTALL_BINDIR} /${ORVO_INSTALL_DATADIR})
set(ORVO_METAINFO_ID example.orvoplayer.OrvoPlayer)

# Called once every target exists.
function(orvo_install)
  set_target_properties(OrvoPlayer PROPERTIES INSTALL_RPATH "$ORIGIN/${ORVO_INSTALL_LIBS_FROM_BIN}")
  install(TARGETS OrvoPlayer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Libraries beside each other: the audio library opens its FFmpeg plugin from its own folder.
  install(TARGETS Orvo_XMLCtrl Orvo_MusicTags Orvo_Audio Orvo_AudioFfmpeg Orvo_Common
    LIBRARY DESTINATION ${ORVO_INSTALL_LIBDIR})
  # The delivered data from the sources: the build folder's copies are the user's own.
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/res ${CMAKE_SOURCE_DIR}/skin
    DESTINATION ${ORVO_INSTALL_DATADIR})
  install(FILES ${CMAKE_SOURCE_DIR}/config.xml ${CMAKE_SOURCE_DIR}/skinlist.xml
    DESTINATION ${ORVO_INSTALL_DATADIR})

  set(desktop ${CMAKE_SOURCE_DIR}/player/desktop)
  install(FILES ${desktop}/orvoplayer.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${desktop}/orvoplayer.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
    RENAME ${ORVO_METAINFO_ID}.metainfo.xml)
  # Drawn by scripts/make-art.sh.
  file(GLOB icons ${desktop}/icons/*x*.png)
  foreach(icon IN LISTS icons)
    get_filename_component(size ${icon} NAME_WE)
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps
      RENAME orvoplayer.png)
  endforeach()
endfunction()
