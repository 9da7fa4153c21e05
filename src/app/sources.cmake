# Sources of src/app: the window, its dialogs and widgets (QtWidgets).
# Edge snapping arithmetic of the window drag is a core unit (std only).
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Snapping.cpp)
# --version and --help, answered before the application starts (std only).
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp)

if(TARGET velmaris_ui)
  # Artwork painted at build time: the built-in skin bitmap and the icon are
  # embedded as resources; the bundled skins are written next to the program.
  add_executable(velmaris_skinart
    ${PROJECT_SOURCE_DIR}/tools/skinart/main.cpp
    ${PROJECT_SOURCE_DIR}/tools/skinart/SkinArt.cpp
    ${PROJECT_SOURCE_DIR}/tools/skinart/BundledSkins.cpp)
  target_link_libraries(velmaris_skinart PRIVATE Qt6::Gui)
  set(art_dir ${PROJECT_BINARY_DIR}/art)
  add_custom_command(
    OUTPUT ${art_dir}/builtin.bmp ${art_dir}/icon.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${art_dir}
    COMMAND velmaris_skinart builtin ${art_dir}/builtin.bmp
    COMMAND velmaris_skinart icon ${art_dir}/icon.png
    DEPENDS velmaris_skinart
    COMMENT "Painting the built-in skin and icon")
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/Skins/stamp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/Skins
    COMMAND velmaris_skinart skins ${PROJECT_BINARY_DIR}/Skins
    COMMAND ${CMAKE_COMMAND} -E touch ${PROJECT_BINARY_DIR}/Skins/stamp
    DEPENDS velmaris_skinart
    COMMENT "Painting the bundled skins")
  add_custom_target(velmaris_skins ALL DEPENDS ${PROJECT_BINARY_DIR}/Skins/stamp)
  # Demo songs of our own for ./run.sh.
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/demo/stamp
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/make-demo-songs.sh ${PROJECT_BINARY_DIR}/demo
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-demo-songs.sh
    COMMENT "Making the demo songs")
  add_custom_target(velmaris_demo ALL DEPENDS ${PROJECT_BINARY_DIR}/demo/stamp)

  qt_add_resources(velmaris_ui velmaris_art
    PREFIX /velmaris
    BASE ${art_dir}
    FILES ${art_dir}/builtin.bmp ${art_dir}/icon.png)
  target_sources(velmaris_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FrmMainVelmaris.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowBehaviour.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowMover.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QuickFindBox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlayerView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlayListView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SkinLoader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OptionsDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QuitSignals.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AccessView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SkinAccessible.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SkinKeyboard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/widgets/AccessibleControl.cpp
    ${CMAKE_CURRENT_LIST_DIR}/widgets/FocusMark.cpp
    ${CMAKE_CURRENT_LIST_DIR}/widgets/PlayListBox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/widgets/SpeedButton.cpp
    ${CMAKE_CURRENT_LIST_DIR}/widgets/SkinImage.cpp)
endif()
