# The network and serial links and the serial port listing.
find_package(PkgConfig REQUIRED)
pkg_check_modules(KEL_UDEV REQUIRED IMPORTED_TARGET libudev)
target_sources(kel_transport PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/LinkSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NetPort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialPort.cpp
)
target_link_libraries(kel_transport PRIVATE PkgConfig::KEL_UDEV)
find_package(Threads REQUIRED)
target_link_libraries(kel_transport PUBLIC Threads::Threads)
