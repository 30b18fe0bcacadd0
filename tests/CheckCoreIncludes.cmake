# Fails when a source file of the core includes windows.h or another Win32 header.
file(GLOB_RECURSE core_files
     ${SOURCE_DIR}/catalogue/*.h ${SOURCE_DIR}/catalogue/*.cpp
     ${SOURCE_DIR}/engine/*.h ${SOURCE_DIR}/engine/*.cpp
     ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/app/*.cpp
     ${SOURCE_DIR}/support/*.h ${SOURCE_DIR}/support/*.cpp)
set(offenders "")
foreach(file ${core_files})
    if(file MATCHES "_win\\.cpp$")
        continue()
    endif()
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](windows|winbase|winuser|shlobj|shlwapi|commctrl)\\.h[>\"]")
    if(lines)
        list(APPEND offenders ${file})
    endif()
endforeach()
if(offenders)
    message(FATAL_ERROR "Win32 headers included in the core: ${offenders}")
endif()
