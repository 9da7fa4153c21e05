# window_probe: a D-Bus client that floods the player and times how long the
# window takes to answer a property Get meanwhile (bench/window/run.sh).
find_package(Qt6 REQUIRED COMPONENTS Core DBus)
add_executable(window_probe ${CMAKE_CURRENT_LIST_DIR}/window_probe.cpp)
target_link_libraries(window_probe PRIVATE Qt6::Core Qt6::DBus)
# bus_floor: a player that does nothing, the bus's own cost under a flood
# (bench/window/flood.sh --peers).
add_executable(bus_floor ${CMAKE_CURRENT_LIST_DIR}/bus_floor.cpp)
set_target_properties(bus_floor PROPERTIES AUTOMOC ON)
target_link_libraries(bus_floor PRIVATE Qt6::Core Qt6::DBus)
