# 32-bit big-endian PowerPC with Debian's g++-powerpc-linux-gnu; the tests run under qemu-ppc.
#
# qemu's default processor reports no AltiVec; QEMU_CPU=7400 (a G4) does.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)

set(ORKE_CROSS_TRIPLE powerpc-linux-gnu)
set(CMAKE_C_COMPILER ${ORKE_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ORKE_CROSS_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${ORKE_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-ppc -L /usr/${ORKE_CROSS_TRIPLE})
