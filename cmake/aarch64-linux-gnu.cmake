# Cross-building for 64-bit ARM Linux (Debian's arm64: Raspberry Pi 3 and
# later with a 64-bit system) on a Debian PC; scripts/cross-build.sh arm64
# makes the sysroot and configures build-arm64/ with this file.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(triple aarch64-linux-gnu)
set(qemu qemu-aarch64)
set(LIGHTNING_DEBIAN_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
