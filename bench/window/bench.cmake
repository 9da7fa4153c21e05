# window_probe: a D-Bus client that floods the player and times how long the
# window takes to answer a property Get meanwhile (bench/window/run.sh).
find_package(Qt6 REQUIRED COMPONENTS Core DBus)
add_executable(window_probe ${CMAKE_CURRENT_LIST_DIR}/window_probe.cpp)
target_link_libraries(window_probe PRIVATE Qt6::Core Qt6::DBus)
