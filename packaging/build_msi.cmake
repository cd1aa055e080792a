# Builds the Windows Installer package from the Windows programs, the task definition and a profile
# package, with wixl; signs the programs and the package with osslsigncode when a certificate is given.
#   cmake -DVERSION=1.2.3 -DPROGRAM_DIR=<folder of tintfold.exe> -DPROFILES=<folder of *.icm>
#         -DOUTPUT=<package.msi> [-DSIGN_CERT=<certificate> -DSIGN_KEY=<private key>] -P build_msi.cmake
# The product code follows from the version, so the same version always has the same product code (the
# detection rule of a fleet tool) and two packages of one version never install side by side.
cmake_minimum_required(VERSION 3.25)

# Never to change: Windows Installer knows the versions of one product by it.
set(upgrade_code 06CDA80F-54E2-440E-A17D-58E05BBA229B)
set(programs tintfold.exe tintfold-inspect.exe tintfold-capture.exe tintfold-check.exe)

foreach(input VERSION PROGRAM_DIR PROFILES OUTPUT)
    if(NOT DEFINED ${input})
        message(FATAL_ERROR "build_msi: -D${input}=... is missing")
    endif()
endforeach()
# Windows Installer compares the first three fields, each within its limit.
if(NOT VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$" OR CMAKE_MATCH_1 GREATER 255 OR CMAKE_MATCH_2 GREATER 255
   OR CMAKE_MATCH_3 GREATER 65535)
    message(FATAL_ERROR "build_msi: version ${VERSION} is not major.minor.build within 255.255.65535")
endif()
get_filename_component(PROFILES "${PROFILES}" ABSOLUTE)
if(NOT IS_DIRECTORY "${PROFILES}")
    message(FATAL_ERROR "build_msi: the profile folder ${PROFILES} does not exist")
endif()
set(signing FALSE)
if(SIGN_CERT OR SIGN_KEY)
    if(NOT EXISTS "${SIGN_CERT}" OR NOT EXISTS "${SIGN_KEY}")
        message(FATAL_ERROR "build_msi: signing needs both a certificate and its key (${SIGN_CERT}, ${SIGN_KEY})")
    endif()
    set(signing TRUE)
endif()

function(require_program variable name)
    find_program(${variable} ${name})
    if(NOT ${variable})
        message(FATAL_ERROR "build_msi: ${name} not found; scripts/setup.sh installs it from Debian's packages")
    endif()
endfunction()
require_program(WIXL wixl)
if(signing)
    require_program(OSSLSIGNCODE osslsigncode)
endif()
require_program(ICONV iconv)

# Copies SOURCE to DESTINATION, signed when a certificate was given.
function(sign_or_copy source destination)
    file(REMOVE "${destination}")
    if(signing)
        execute_process(COMMAND "${OSSLSIGNCODE}" sign -certs "${SIGN_CERT}" -key "${SIGN_KEY}" -h sha256 -n Tintfold
                                -in "${source}" -out "${destination}"
                        OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "build_msi: signing ${source} failed:\n${log}")
        endif()
    else()
        file(COPY_FILE "${source}" "${destination}")
    endif()
endfunction()

# The profiles: every *.icm of the folder (letter case ignored, as the tool's search does). Their names
# become Windows file names in one folder, so a name that Windows cannot hold, or two that differ only
# in letter case, stop the build.
file(GLOB with_semicolon LIST_DIRECTORIES false "${PROFILES}/*;*")
if(with_semicolon)
    message(FATAL_ERROR "build_msi: a file name in ${PROFILES} holds a \";\", which separates CMake's list items")
endif()
file(GLOB entries LIST_DIRECTORIES false RELATIVE "${PROFILES}" "${PROFILES}/*")
list(SORT entries)
set(profiles "")
set(folded "")
foreach(name IN LISTS entries)
    string(TOLOWER "${name}" lower)
    if(NOT lower MATCHES "\\.icm$")
        continue()
    endif()
    string(LENGTH "${name}" length)
    # wixl's preprocessor drops or expands every "$", even a doubled one.
    if(NOT name MATCHES "^[ -~]+$" OR name MATCHES "[<>:\"/\\|?*$]" OR length GREATER 255)
        message(FATAL_ERROR "build_msi: profile name \"${name}\" is not a Windows file name of printable ASCII "
                            "characters (no < > : \" / \\ | ? * and, for wixl, no $; at most 255)")
    endif()
    if(lower IN_LIST folded)
        message(FATAL_ERROR "build_msi: two profiles are named \"${name}\" but for letter case")
    endif()
    list(APPEND folded "${lower}")
    list(APPEND profiles "${name}")
endforeach()
if(NOT profiles)
    message(FATAL_ERROR "build_msi: no *.icm profile in ${PROFILES}")
endif()

get_filename_component(output "${OUTPUT}" ABSOLUTE)
set(work "${output}.files")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}/files")

get_filename_component(PROGRAM_DIR "${PROGRAM_DIR}" ABSOLUTE)
foreach(program IN LISTS programs)
    sign_or_copy("${PROGRAM_DIR}/${program}" "${work}/files/${program}")
endforeach()
foreach(profile IN LISTS profiles)
    file(COPY_FILE "${PROFILES}/${profile}" "${work}/files/${profile}")
endforeach()

# schtasks reads a task definition in UTF-16 with a byte-order mark.
string(ASCII 239 187 191 byte_order_mark)
file(READ "${CMAKE_CURRENT_LIST_DIR}/tintfold-task.xml" task)
file(WRITE "${work}/task-utf8.xml" "${byte_order_mark}${task}")
execute_process(COMMAND "${ICONV}" -f UTF-8 -t UTF-16LE INPUT_FILE "${work}/task-utf8.xml"
                OUTPUT_FILE "${work}/files/tintfold-task.xml" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "build_msi: the task definition could not be converted to UTF-16")
endif()

# One component a file, each with a GUID that follows from its name, so that every version names the same
# file by the same component.
function(component_xml id name)
    string(TOLOWER "${name}" lower)
    string(UUID guid NAMESPACE ${upgrade_code} NAME "component/${lower}" TYPE SHA1 UPPER)
    string(REPLACE "&" "&amp;" escaped "${name}")
    string(REPLACE "'" "&apos;" escaped "${escaped}")
    string(APPEND components "      <Component Id=\"${id}\" Guid=\"${guid}\" Win64=\"yes\">\n"
           "        <File Id=\"${id}\" Name=\"${escaped}\" Source=\"${escaped}\" KeyPath=\"yes\"/>\n"
           "      </Component>\n")
    string(APPEND references "      <ComponentRef Id=\"${id}\"/>\n")
    set(components "${components}" PARENT_SCOPE)
    set(references "${references}" PARENT_SCOPE)
endfunction()
set(components "")
set(references "")
foreach(name IN LISTS programs ITEMS tintfold-task.xml)
    string(REPLACE "-" "_" id "${name}")
    component_xml("${id}" "${name}")
endforeach()
set(index 0)
foreach(name IN LISTS profiles)
    math(EXPR index "${index} + 1")
    component_xml("profile${index}" "${name}")
endforeach()
file(WRITE "${work}/files.wxs"
     "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
     "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n  <Fragment>\n"
     "    <DirectoryRef Id=\"TintfoldFolder\">\n${components}    </DirectoryRef>\n"
     "    <ComponentGroup Id=\"TintfoldFiles\">\n${references}    </ComponentGroup>\n"
     "  </Fragment>\n</Wix>\n")

string(UUID product_code NAMESPACE ${upgrade_code} NAME "product/${VERSION}" TYPE SHA1 UPPER)
execute_process(COMMAND "${WIXL}" -a x64 -D Version=${VERSION} -D ProductCode=${product_code}
                        -D UpgradeCode=${upgrade_code} -o "${work}/unsigned.msi"
                        "${CMAKE_CURRENT_LIST_DIR}/tintfold.wxs" "${work}/files.wxs"
                WORKING_DIRECTORY "${work}/files" OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "build_msi: wixl failed:\n${log}")
endif()
sign_or_copy("${work}/unsigned.msi" "${output}")

list(LENGTH profiles count)
if(signing)
    set(signed "signed with ${SIGN_CERT}")
else()
    set(signed "NOT SIGNED: no certificate given")
endif()
message(STATUS "${output}: version ${VERSION}, product code {${product_code}}, profiles: ${count}, ${signed}")
