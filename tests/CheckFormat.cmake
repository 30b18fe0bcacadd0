# Fails when a source file of the project differs from what clang-format makes of it (.clang-format at the root).
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/platform/*.h ${SOURCE_DIR}/platform/*.cpp ${SOURCE_DIR}/support/*.h ${SOURCE_DIR}/support/*.cpp
     ${SOURCE_DIR}/catalogue/*.h ${SOURCE_DIR}/catalogue/*.cpp ${SOURCE_DIR}/engine/*.h ${SOURCE_DIR}/engine/*.cpp
     ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/ui/*.h ${SOURCE_DIR}/ui/*.cpp
     ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/bench/*.h ${SOURCE_DIR}/bench/*.cpp)
list(SORT sources)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
                WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Not formatted (run clang-format -i on these files):\n${errors}")
endif()
