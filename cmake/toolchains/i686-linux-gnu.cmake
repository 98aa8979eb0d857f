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

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L /usr/${ORKE_CROSS_TRIPLE})
