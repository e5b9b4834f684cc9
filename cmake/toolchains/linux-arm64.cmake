# Linux on ARM64 with Debian's cross g++, ICU from Debian's arm64 packages, and the programs run
# through qemu-aarch64-static: the NEON code paths of the search core, tested on an x64 machine.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# Debian's arm64 packages put the loader and the libraries at their multiarch paths, where the
# emulator finds them; an -L prefix would also redirect the absolute paths the tests use.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
