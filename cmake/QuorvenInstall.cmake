# What the release package holds (scripts/package installs each preset and archives it): the
# two libraries, their headers, the licence, a README for host developers and a CMake package
# config for find_package(quorven). Windows adds each DLL's PDB and its MSVC-style .lib beside
# the mingw .dll.a; Linux adds the stand-in of the Windows API that the native library runs on
# there, found beside it through the library's run path.
include(CMakePackageConfigHelpers)

set(quorven_libraries quorven_search_core quorven_native)
install(TARGETS ${quorven_libraries}
    RUNTIME DESTINATION bin
    LIBRARY DESTINATION lib
    ARCHIVE DESTINATION lib)
install(FILES include/quorven/search_core.h include/quorven/native.h DESTINATION include/quorven)
install(FILES LICENSE DESTINATION .)
install(FILES cmake/package/README.txt DESTINATION .)

if(WIN32)
    set(QUORVEN_PACKAGE_FOR_WINDOWS 1)
    set(QUORVEN_PACKAGE_PLATFORM "Windows ${CMAKE_SYSTEM_PROCESSOR}")
    foreach(library IN LISTS quorven_libraries)
        install(FILES $<TARGET_FILE_DIR:${library}>/${library}.pdb DESTINATION bin)
        install(FILES $<TARGET_FILE_DIR:${library}>/${library}.lib DESTINATION lib)
    endforeach()
else()
    set(QUORVEN_PACKAGE_FOR_WINDOWS 0)
    set(QUORVEN_PACKAGE_PLATFORM "Linux ${CMAKE_SYSTEM_PROCESSOR}")
    set_target_properties(quorven_native PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS quorven_win_standin LIBRARY DESTINATION lib)
endif()

set(config_dir ${CMAKE_CURRENT_BINARY_DIR}/package)
configure_file(cmake/package/quorvenConfig.cmake.in ${config_dir}/quorvenConfig.cmake @ONLY)
write_basic_package_version_file(${config_dir}/quorvenConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${config_dir}/quorvenConfig.cmake ${config_dir}/quorvenConfigVersion.cmake
    DESTINATION lib/cmake/quorven)
