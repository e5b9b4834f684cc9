# Cross build of the Windows DLLs with clang-19 and the mingw-w64 headers only: no C or C++
# runtime is linked, so the libraries stay freestanding. Included by the per-architecture
# toolchain files, which set QUORVEN_WINDOWS_PROCESSOR, QUORVEN_DLLTOOL_MACHINE,
# QUORVEN_LIB_MACHINE and QUORVEN_EXPECTED_MACHINE first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QUORVEN_WINDOWS_PROCESSOR})
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET ${QUORVEN_WINDOWS_PROCESSOR}-w64-mingw32)
set(CMAKE_CXX_COMPILER_TARGET ${QUORVEN_WINDOWS_PROCESSOR}-w64-mingw32)
set(CMAKE_RC_COMPILER llvm-rc-19)
set(CMAKE_AR llvm-ar-19)
set(CMAKE_RANLIB llvm-ranlib-19)
# There is no runtime to link a test program against.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# The mingw-w64 headers (Windows SDK declarations); clang does not search them by default.
set(CMAKE_C_FLAGS_INIT "-isystem /usr/share/mingw-w64/include")
set(CMAKE_CXX_FLAGS_INIT "-isystem /usr/share/mingw-w64/include")
set(CMAKE_C_STANDARD_LIBRARIES "")
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -nostdlib")
set(QUORVEN_DLLTOOL llvm-dlltool-19)
set(QUORVEN_LIB llvm-lib-19)
set(QUORVEN_RC llvm-rc-19)
set(QUORVEN_READOBJ llvm-readobj-19)
set(QUORVEN_PDBUTIL llvm-pdbutil-19)
set(QUORVEN_OBJDUMP llvm-objdump-19)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
