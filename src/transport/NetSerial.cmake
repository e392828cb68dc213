# The network and serial links and the serial port listing.
kel_require_pkgconfig(KEL_UDEV libudev libudev-dev)
target_sources(kel_transport PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/LinkSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NetPort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialPort.cpp
)
target_link_libraries(kel_transport PRIVATE PkgConfig::KEL_UDEV)
