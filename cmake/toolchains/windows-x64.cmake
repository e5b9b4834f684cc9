# The x64 twin of the DLLs, from the same sources and flags; it runs under Wine.
set(QUORVEN_WINDOWS_PROCESSOR x86_64)
set(QUORVEN_DLLTOOL_MACHINE i386:x86-64)
set(QUORVEN_EXPECTED_MACHINE IMAGE_FILE_MACHINE_AMD64)
set(QUORVEN_LIB_MACHINE x64)
include(${CMAKE_CURRENT_LIST_DIR}/windows-clang.cmake)
