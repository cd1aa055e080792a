# Every program built for Windows (tintfold*.exe in the build folder, test programs aside) may import
# only known libraries: the loader takes those from the system directory whatever lies beside the
# program, while any other library in the import table is searched for in the program's folder first,
# before main can restrict the search.
#
# Known libraries: "Dynamic-link library search order", section "Factors that affect searching"
# (https://learn.microsoft.com/windows/win32/dlls/dynamic-link-library-search-order), which names the
# registry key HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs as the list; the names
# below are values of that key present on Windows 10 and 11 alike. Only add a name after checking that
# key on the oldest Windows the tool supports.
#   cmake -DBUILD_DIR=<build folder> -DOBJDUMP=<objdump> -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)

set(KNOWN_DLLS
    advapi32.dll clbcatq.dll combase.dll comdlg32.dll coml2.dll difxapi.dll gdi32.dll gdiplus.dll
    imagehlp.dll imm32.dll kernel32.dll msctf.dll msvcrt.dll normaliz.dll nsi.dll ole32.dll oleaut32.dll
    psapi.dll rpcrt4.dll sechost.dll setupapi.dll shcore.dll shell32.dll shlwapi.dll user32.dll
    wldap32.dll ws2_32.dll)

file(GLOB programs "${BUILD_DIR}/tintfold*.exe")
list(FILTER programs EXCLUDE REGEX "_tests?\\.exe$")
if(NOT programs)
    message(FATAL_ERROR "no Windows program found in ${BUILD_DIR}")
endif()

set(failed FALSE)
foreach(program IN LISTS programs)
    execute_process(COMMAND "${OBJDUMP}" -p "${program}" OUTPUT_VARIABLE headers RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${OBJDUMP} could not read ${program}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
    get_filename_component(name "${program}" NAME)
    foreach(import IN LISTS imports)
        string(REPLACE "DLL Name: " "" library "${import}")
        string(STRIP "${library}" library)
        string(TOLOWER "${library}" library)
        if(library IN_LIST KNOWN_DLLS)
            message(STATUS "${name}: ${library}")
        else()
            message(SEND_ERROR "${name} imports ${library}, which is not a known library")
            set(failed TRUE)
        endif()
    endforeach()
    if(NOT imports)
        message(SEND_ERROR "${name}: no import table found")
        set(failed TRUE)
    endif()
endforeach()
if(failed)
    message(FATAL_ERROR "import check failed")
endif()
