# File associations: the class registry, its file, the association component
# and the desktop files that follow it.
velmaris_test(NAME tests_associations
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/fileextension_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_store_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/xdg_sync_test.cpp
  LIBS velmaris_core)
