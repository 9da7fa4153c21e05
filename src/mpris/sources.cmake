# Sources of src/mpris: the desktop's media controls (QtDBus), a front of the engine.
if(TARGET velmaris_mpris)
  target_sources(velmaris_mpris PRIVATE ${CMAKE_CURRENT_LIST_DIR}/MprisService.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/MprisFront.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/RemoteCommands.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/MprisInput.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/MprisProperties.cpp)
endif()
