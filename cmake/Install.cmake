# Installing: the program, its skins and demo songs, the icon, the desktop
# entry and the AppStream data, in the usual places.
set(CMAKE_INSTALL_DOCDIR share/doc/velmaris CACHE PATH "Documentation folder")
include(GNUInstallDirs)
set(VELMARIS_SHARE_DIR ${CMAKE_INSTALL_FULL_DATADIR}/velmaris)
set(VELMARIS_DOC_DIR ${CMAKE_INSTALL_FULL_DOCDIR})
