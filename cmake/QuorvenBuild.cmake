# Shared build rules for the two libraries: freestanding C++ flags, hidden visibility, Windows
# import libraries made from our own .def files, and the binary checks run by ctest.

set(QUORVEN_WARNINGS -Wall -Wextra -Werror -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Wnull-dereference -Wdouble-promotion
    -Wformat=2 -Wimplicit-fallthrough)

# Library code: no exceptions, no RTTI, no C++ standard library, small stack frames (no __chkstk).
# On Windows the code keeps its unwind data (.pdata/.xdata): the system unwinds every frame
# through it, so an SEH exception crossing our frames (a host __try, host code run inside a
# nested message loop), a debugger or a crash dump walks the stack correctly. Debug information
# is CodeView, for the PDB beside each DLL; -fms-extensions gives __fastfail (qv/fatal.h).
# Elsewhere nothing unwinds through the library (no exceptions, no callbacks into the host), so
# the tables are left out.
function(quorven_freestanding target)
    target_compile_features(${target} PRIVATE cxx_std_20)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:${QUORVEN_WARNINGS} -fno-exceptions -fno-rtti
        -fno-threadsafe-statics -nostdinc++>
        -Wframe-larger-than=4000)
    set_target_properties(${target} PROPERTIES
        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON POSITION_INDEPENDENT_CODE ON)
    if(WIN32)
        target_compile_options(${target} PRIVATE -fno-stack-protector -ffunction-sections
            -fdata-sections -fms-extensions -g -gcodeview)
    else()
        target_compile_options(${target} PRIVATE
            $<$<COMPILE_LANGUAGE:CXX>:-fno-asynchronous-unwind-tables>)
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

# The VERSIONINFO resource of one DLL (file and product version from the project version),
# compiled with llvm-rc and linked in as a .res file.
function(quorven_version_resource target description)
    set(QUORVEN_RC_NAME ${target})
    set(QUORVEN_RC_DESCRIPTION "${description}")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    set(res ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.res)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    # Relative names: llvm-rc reads any argument that begins with '/' as an option, so an
    # absolute input path such as /check/... parses as the codepage option /C.
    add_custom_command(OUTPUT ${res}
        COMMAND ${QUORVEN_RC} /nologo /FO ${target}_version.res ${target}_version.rc
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        DEPENDS ${rc} VERBATIM)
    add_custom_target(${target}_version_gen DEPENDS ${res})
    add_dependencies(${target} ${target}_version_gen)
    target_link_libraries(${target} PRIVATE ${res})
endfunction()

# The MSVC-style import library <target>.lib beside the DLL, made by llvm-lib from the export
# list; a mingw host links the lib<target>.dll.a that the linker writes.
function(quorven_msvc_import_library target exports)
    set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}_exports.def)
    list(JOIN exports "\n    " names)
    file(CONFIGURE OUTPUT ${def} CONTENT "LIBRARY ${target}.dll\nEXPORTS\n    ${names}\n")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${QUORVEN_LIB} /nologo /machine:${QUORVEN_LIB_MACHINE} /def:${def}
            /out:$<TARGET_FILE_DIR:${target}>/${target}.lib
        VERBATIM)
endfunction()

# A shipped shared library. On Windows: DLL with our own entry point, only the named system
# DLLs as imports, its symbols in a PDB beside it (named in the DLL's debug directory by file
# name only) and no COFF symbol table of its own. On Linux: a .so that needs no C++ runtime.
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
            -Wl,--gc-sections -Wl,--no-insert-timestamp
            -Wl,--pdb=$<TARGET_FILE_DIR:${target}>/${target}.pdb "-Wl,-Xlink=-pdbaltpath:%_PDB%"
            -Wl,--strip-all)
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/foundation/platform/windows/dll_entry.cpp)
    else()
        target_link_options(${target} PRIVATE -Wl,--as-needed -Wl,--no-undefined -Wl,-z,defs)
    endif()
endfunction()

# What a host gets with a DLL besides the DLL: its version resource, with `description`, and
# the MSVC-style import library of its `exports`. Nothing on Linux.
function(quorven_release_files target description exports)
    if(WIN32)
        quorven_version_resource(${target} "${description}")
        quorven_msvc_import_library(${target} "${exports}")
    endif()
endfunction()

# ctest check of a built library: machine, exact export list, allowed imports; on Windows also
# what a shipped DLL must carry (unwind data, debug directory, version resource).
function(quorven_binary_check target expected_exports allowed_imports)
    if(WIN32)
        add_test(NAME binary_check_${target}
            COMMAND ${CMAKE_COMMAND} -DTOOL=${QUORVEN_READOBJ} -DKIND=windows
                -DMACHINE=${QUORVEN_EXPECTED_MACHINE} -DBINARY=$<TARGET_FILE:${target}>
                -DPDBUTIL=${QUORVEN_PDBUTIL} -DOBJDUMP=${QUORVEN_OBJDUMP} -DVERSION=${PROJECT_VERSION}
                "-DIMPORT_LIBRARIES=$<TARGET_FILE_DIR:${target}>/${target}.lib;$<TARGET_LINKER_FILE:${target}>"
                "-DEXPORTS=${expected_exports}" "-DIMPORTS=${allowed_imports}"
                -P ${PROJECT_SOURCE_DIR}/cmake/check_binary.cmake)
    else()
        add_test(NAME binary_check_${target}
            COMMAND ${CMAKE_COMMAND} -DKIND=linux -DBINARY=$<TARGET_FILE:${target}>
                "-DEXPORTS=${expected_exports}" "-DIMPORTS=${allowed_imports}"
                -P ${PROJECT_SOURCE_DIR}/cmake/check_binary.cmake)
    endif()
endfunction()
