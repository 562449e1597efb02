# Cross build for 64-bit ARM boards (Raspberry Pi 3/4/5 and the like) with Debian's
# cross toolchain (crossbuild-essential-arm64) and the :arm64 library packages of
# a multiarch system (scripts/setup.sh installs both):
#   cmake -S . -B build-arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# Tests run under qemu-user when it is installed.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(DROLLICANT_CROSS_TRIPLE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${DROLLICANT_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${DROLLICANT_CROSS_TRIPLE}-g++)

# Headers and libraries of the :arm64 packages live in the multiarch folders of the
# build machine itself; pkg-config must see only those (and the architecture-free ones).
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${DROLLICANT_CROSS_TRIPLE}/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(CMAKE_LIBRARY_ARCHITECTURE ${DROLLICANT_CROSS_TRIPLE})

# Programs built here run under user-mode qemu: ctest's tests, the test discovery
# and the build steps that run a program of the build (the TTL generator). They load
# the :arm64 C library of the multiarch system (/lib/ld-linux-aarch64.so.1 with its own
# libc), not the cross toolchain's copy under /usr/aarch64-linux-gnu: `-L` there pairs
# that loader with the multiarch libc the libraries are found beside, and threads hang.
find_program(DROLLICANT_QEMU qemu-aarch64 qemu-aarch64-static)
if(DROLLICANT_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DROLLICANT_QEMU})
endif()
