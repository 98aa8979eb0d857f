# 32-bit Intel with Debian's g++-i686-linux-gnu; the tests run under qemu-i386.
#
# SSE2 arithmetic instead of the x87 unit, so float results round exactly as on x86_64 and value-to-text
# gives the same digits on both.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(ORKE_CROSS_TRIPLE i686-linux-gnu)
set(CMAKE_C_COMPILER ${ORKE_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ORKE_CROSS_TRIPLE}-g++)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

set(CMAKE_FIND_ROOT_PATH /usr/${ORKE_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The loader comes from the cross sysroot, but the host's loader cache names its own 32-bit libraries (/lib32)
# first; a libc of another build than the loader hangs at the first thread. The library path keeps both from
# the sysroot.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L /usr/${ORKE_CROSS_TRIPLE}
    -E LD_LIBRARY_PATH=/usr/${ORKE_CROSS_TRIPLE}/lib)
