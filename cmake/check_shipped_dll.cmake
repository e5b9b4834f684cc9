# What a shipped DLL must carry besides its exports and imports, read back from the built files
# (included by check_binary.cmake, which has read the exports into `expected`):
#   - unwind data: a .pdata section whose entries point at unwind records (.xdata, which the
#     linker merges into .rdata), so that Windows can unwind through every frame;
#   - no COFF symbol table; a CodeView debug directory entry that names the PDB by file name
#     only, and beside the DLL that PDB, with the same GUID and age;
#   - a VERSIONINFO resource with VERSION as file and product version and the DLL's own name;
#   - import libraries (IMPORT_LIBRARIES: MSVC .lib and mingw .dll.a) that name every export;
#   - no trap instruction but right after a fast fail: a trap is an exception that a host's
#     handler could catch and go on from, so a broken invariant must fail fast instead.
# Tools: TOOL (llvm-readobj), PDBUTIL (llvm-pdbutil), OBJDUMP (llvm-objdump).

function(readobj out)
    execute_process(COMMAND ${TOOL} ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        fail("readobj ${ARGN} failed")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(check_unwind_data)
    readobj(out --sections --unwind ${BINARY})
    if(NOT out MATCHES "Name: \\.pdata ")
        fail("no .pdata section: the DLL has no unwind data")
    endif()
    string(REGEX MATCHALL "RuntimeFunction {" functions "${out}")
    # x64 prints an UnwindInfo block per record, ARM64 an ExceptionData block (packed entries
    # need none).
    string(REGEX MATCHALL "(UnwindInfo|ExceptionData) {" records "${out}")
    list(LENGTH functions function_count)
    list(LENGTH records record_count)
    if(function_count EQUAL 0 OR record_count EQUAL 0)
        fail("unwind data: ${function_count} .pdata entries, ${record_count} .xdata records")
    endif()
endfunction()

function(check_debug_directory)
    readobj(out --file-headers --coff-debug-directory ${BINARY})
    if(NOT out MATCHES "SymbolCount: 0\n" OR NOT out MATCHES "PointerToSymbolTable: 0x0\n")
        fail("the DLL still carries a COFF symbol table")
    endif()
    get_filename_component(name ${BINARY} NAME_WE)
    if(NOT out MATCHES "Type: CodeView" OR NOT out MATCHES "PDBSignature: 0x53445352")
        fail("no CodeView (RSDS) record in the debug directory")
    endif()
    if(NOT out MATCHES "PDBFileName: ([^\n]*)\n" OR NOT CMAKE_MATCH_1 STREQUAL "${name}.pdb")
        fail("the debug directory names the PDB '${CMAKE_MATCH_1}', expected ${name}.pdb")
    endif()
    string(REGEX MATCH "PDBGUID: ({[0-9A-F-]+})" _ "${out}")
    set(guid ${CMAKE_MATCH_1})
    string(REGEX MATCH "PDBAge: ([0-9]+)" _ "${out}")
    set(age ${CMAKE_MATCH_1})

    get_filename_component(dir ${BINARY} DIRECTORY)
    execute_process(COMMAND ${PDBUTIL} dump --summary ${dir}/${name}.pdb
        OUTPUT_VARIABLE pdb RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        fail("cannot read ${name}.pdb beside the DLL")
    endif()
    if(NOT pdb MATCHES "GUID: ${guid}" OR NOT pdb MATCHES "Age: ${age}\n")
        fail("${name}.pdb does not match the DLL (GUID ${guid}, age ${age})")
    endif()
    if(NOT pdb MATCHES "Has Debug Info: true")
        fail("${name}.pdb holds no debug information")
    endif()
endfunction()

# Upper-case hex of a text as UTF-16LE (ASCII only).
function(utf16_hex text out)
    string(HEX "${text}" hex)
    string(TOUPPER "${hex}" hex)
    string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
    set(${out} ${hex} PARENT_SCOPE)
endfunction()

# Upper-case hex of a 16-bit number, little-endian.
function(u16_hex value out)
    math(EXPR hex "${value}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${hex}" 2 -1 hex)
    string(TOUPPER "000${hex}" hex)
    string(LENGTH "${hex}" length)
    math(EXPR start "${length} - 4")
    string(SUBSTRING "${hex}" ${start} 4 hex)
    string(SUBSTRING "${hex}" 0 2 high)
    string(SUBSTRING "${hex}" 2 2 low)
    set(${out} ${low}${high} PARENT_SCOPE)
endfunction()

function(check_version_resource)
    readobj(out --coff-resources ${BINARY})
    if(NOT out MATCHES "Type: VERSIONINFO")
        fail("no VERSIONINFO resource")
    endif()
    # The resource's bytes, from the hex dump's middle columns.
    string(REGEX MATCHALL "\n *[0-9A-F]+: [0-9A-F ]+\\|" rows "${out}")
    set(data "")
    foreach(row IN LISTS rows)
        string(REGEX REPLACE "^\n *[0-9A-F]+: " "" row "${row}")
        string(REGEX REPLACE "[ |]" "" row "${row}")
        string(APPEND data "${row}")
    endforeach()

    # VS_FIXEDFILEINFO: signature 0xFEEF04BD, structure version 1.0, then the file version as
    # (major, minor) and (patch, 0) pairs of 16-bit numbers, each pair minor word first.
    string(REPLACE "." ";" parts "${VERSION}")
    list(GET parts 0 major)
    list(GET parts 1 minor)
    list(GET parts 2 patch)
    u16_hex(${major} major)
    u16_hex(${minor} minor)
    u16_hex(${patch} patch)
    set(fixed "BD04EFFE00000100${minor}${major}0000${patch}${minor}${major}0000${patch}")
    if(NOT data MATCHES "${fixed}")
        fail("the fixed file and product version are not ${VERSION}")
    endif()

    get_filename_component(file_name ${BINARY} NAME)
    foreach(pair "FileVersion=${VERSION}" "ProductVersion=${VERSION}"
            "OriginalFilename=${file_name}")
        string(REGEX MATCH "^([^=]+)=(.*)$" _ "${pair}")
        utf16_hex("${CMAKE_MATCH_1}" key)
        utf16_hex("${CMAKE_MATCH_2}" value)
        # A string entry: the key, a NUL, padding to 4 bytes, the value and its NUL.
        if(NOT data MATCHES "${key}0000(0000)?${value}0000")
            fail("the version resource has no ${pair}")
        endif()
    endforeach()
endfunction()

function(check_import_libraries)
    foreach(library IN LISTS IMPORT_LIBRARIES)
        readobj(out ${library})
        string(REGEX MATCHALL "Export name: [A-Za-z0-9_]+" names "${out}")
        list(TRANSFORM names REPLACE "Export name: " "")
        list(SORT names)
        if(NOT names STREQUAL expected)
            fail("${library} names\n  ${names}\nexpected\n  ${expected}")
        endif()
    endforeach()
endfunction()

function(check_no_bare_traps)
    execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${BINARY}
        OUTPUT_VARIABLE code RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        fail("objdump failed")
    endif()
    # The compiler ends a path that cannot return with a trap, also after a fast fail; such a
    # trap is never reached.
    if(MACHINE STREQUAL "IMAGE_FILE_MACHINE_ARM64")
        set(fast_fail "brk\t#0xf003\n")
        set(trap "brk\t#0x1\n")
    else()
        set(fast_fail "int\t\\$0x29\n")
        set(trap "ud2\n")
    endif()
    string(REGEX MATCHALL "${trap}" traps "${code}")
    string(REGEX MATCHALL "${fast_fail}[^\n]*${trap}" guarded "${code}")
    list(LENGTH traps trap_count)
    list(LENGTH guarded guarded_count)
    if(NOT trap_count EQUAL guarded_count)
        math(EXPR bare "${trap_count} - ${guarded_count}")
        fail("${bare} trap instructions that no fast fail precedes")
    endif()
endfunction()

function(check_shipped_dll)
    check_unwind_data()
    check_no_bare_traps()
    check_debug_directory()
    check_version_resource()
    check_import_libraries()
endfunction()
