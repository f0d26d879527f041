# Cross-building for 32-bit ARM Linux (Debian's armhf: ARMv7 with VFP, the
# Raspberry Pi 2 and later with a 32-bit system) on a Debian PC;
# scripts/cross-build.sh armhf makes the sysroot and configures build-armhf/
# with this file.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(triple arm-linux-gnueabihf)
set(qemu qemu-arm)
set(LIGHTNING_DEBIAN_ARCH armhf)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
