# Shared build rules for the two libraries: freestanding C++ flags, hidden visibility, Windows
# import libraries made from our own .def files, and the binary checks run by ctest.

set(QUORVEN_WARNINGS -Wall -Wextra -Werror -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Wnull-dereference -Wdouble-promotion
    -Wformat=2 -Wimplicit-fallthrough)

# Library code: no exceptions, no RTTI, no C++ standard library, small stack frames (no __chkstk).
function(quorven_freestanding target)
    target_compile_features(${target} PRIVATE cxx_std_20)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:${QUORVEN_WARNINGS} -fno-exceptions -fno-rtti
        -fno-threadsafe-statics -nostdinc++ -fno-asynchronous-unwind-tables>
        -Wframe-larger-than=4000)
    set_target_properties(${target} PROPERTIES
        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON POSITION_INDEPENDENT_CODE ON)
    if(WIN32)
        target_compile_options(${target} PRIVATE -fno-stack-protector -ffunction-sections
            -fdata-sections)
    endif()
endfunction()

# Import library lib<name>.a for one system DLL, from cmake/windows-imports/<name>.def.
function(quorven_import_library name)
    if(TARGET quorven_import_${name})
        return()
    endif()
    set(def ${PROJECT_SOURCE_DIR}/cmake/windows-imports/${name}.def)
    set(lib ${CMAKE_BINARY_DIR}/imports/lib${name}.a)
    add_custom_command(OUTPUT ${lib}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/imports
        COMMAND ${QUORVEN_DLLTOOL} -m ${QUORVEN_DLLTOOL_MACHINE} -d ${def} -l ${lib}
        DEPENDS ${def} VERBATIM)
    add_custom_target(quorven_import_${name}_gen DEPENDS ${lib})
    add_library(quorven_import_${name} INTERFACE)
    add_dependencies(quorven_import_${name} quorven_import_${name}_gen)
    target_link_libraries(quorven_import_${name} INTERFACE ${lib})
endfunction()

# A shipped shared library. On Windows: DLL with our own entry point and only the named system
# DLLs as imports. On Linux: a .so that needs no C++ runtime.
function(quorven_shared_library target)
    cmake_parse_arguments(ARG "" "" "WINDOWS_IMPORTS" ${ARGN})
    quorven_freestanding(${target})
    set_target_properties(${target} PROPERTIES PREFIX "")
    if(WIN32)
        foreach(dll IN LISTS ARG_WINDOWS_IMPORTS)
            quorven_import_library(${dll})
            target_link_libraries(${target} PRIVATE quorven_import_${dll})
        endforeach()
        target_link_options(${target} PRIVATE -nostdlib -Wl,--entry=quorven_dll_entry
            -Wl,--gc-sections -Wl,--no-insert-timestamp)
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/foundation/platform/windows/dll_entry.cpp)
    else()
        target_link_options(${target} PRIVATE -Wl,--as-needed -Wl,--no-undefined -Wl,-z,defs)
    endif()
endfunction()

# ctest check of a built library: machine, exact export list, allowed imports.
function(quorven_binary_check target expected_exports allowed_imports)
    if(WIN32)
        add_test(NAME binary_check_${target}
            COMMAND ${CMAKE_COMMAND} -DTOOL=${QUORVEN_READOBJ} -DKIND=windows
                -DMACHINE=${QUORVEN_EXPECTED_MACHINE} -DBINARY=$<TARGET_FILE:${target}>
                "-DEXPORTS=${expected_exports}" "-DIMPORTS=${allowed_imports}"
                -P ${PROJECT_SOURCE_DIR}/cmake/check_binary.cmake)
    else()
        add_test(NAME binary_check_${target}
            COMMAND ${CMAKE_COMMAND} -DKIND=linux -DBINARY=$<TARGET_FILE:${target}>
                "-DEXPORTS=${expected_exports}" "-DIMPORTS=${allowed_imports}"
                -P ${PROJECT_SOURCE_DIR}/cmake/check_binary.cmake)
    endif()
endfunction()
