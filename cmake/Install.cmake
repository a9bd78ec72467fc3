# Desktop integration: the launcher, the project-file type, the program's
# icon and its help. The program, its private libraries and the components
# install through qm_library / qm_component / qm_executable.
set(QM_RESOURCES "${CMAKE_CURRENT_LIST_DIR}/../app/resources")

install(FILES "${QM_RESOURCES}/quillmate.desktop"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${QM_RESOURCES}/quillmate-mime.xml"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages" RENAME quillmate.xml)
install(FILES "${QM_RESOURCES}/icons/quillmate.svg"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
foreach(size 16 32 48 64 128)
  install(FILES "${QM_RESOURCES}/icons/quillmate-${size}.png"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
    RENAME quillmate.png)
endforeach()
install(DIRECTORY "${QM_RESOURCES}/help/"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/quillmate/help")

# The build tree mirrors the installed layout, so the program started from
# the build tree finds its help at ../share/quillmate/help as well.
file(GLOB_RECURSE qm_help_files RELATIVE "${QM_RESOURCES}/help" "${QM_RESOURCES}/help/*")
foreach(file IN LISTS qm_help_files)
  configure_file("${QM_RESOURCES}/help/${file}"
    "${CMAKE_BINARY_DIR}/${CMAKE_INSTALL_DATADIR}/quillmate/help/${file}" COPYONLY)
endforeach()
