# The USB bridge link: the bridge call layer with its hidraw and simulated back-ends, and CUsbPort.
kel_require_pkgconfig(HIDAPI_HIDRAW hidapi-hidraw libhidapi-dev)

target_sources(kel_transport PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Ch9326.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HidBridge.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimBridge.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UsbPort.cpp
)
target_link_libraries(kel_transport PRIVATE PkgConfig::HIDAPI_HIDRAW)

# Lets an ordinary user open the bridge (vendor 1a86, product e010) through hidraw.
set(KELVANE_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING "Where the udev rule for the USB bridge is installed")
install(FILES ${PROJECT_SOURCE_DIR}/resources/udev/70-kelvane-usb-bridge.rules
        DESTINATION ${KELVANE_UDEV_RULES_DIR})
