# Third-party libraries. Linux takes Debian's packages; the Windows build compiles the sources that scripts/setup
# fetched into third_party/ (never committed).

set(TIDYQUILL_SQLITE_DIR ${THIRD_PARTY_DIR}/sqlite-autoconf-3520000)
set(TIDYQUILL_TINYXML2_DIR ${THIRD_PARTY_DIR}/tinyxml2-9.0.0)

if(WIN32)
    foreach(required ${TIDYQUILL_SQLITE_DIR}/sqlite3.c ${TIDYQUILL_TINYXML2_DIR}/tinyxml2.cpp)
        if(NOT EXISTS ${required})
            message(FATAL_ERROR "${required} is missing: run scripts/setup first")
        endif()
    endforeach()

    # The dbstat table lets the analysis read how full each page is; Debian's library has it built in.
    add_library(sqlite3 STATIC ${TIDYQUILL_SQLITE_DIR}/sqlite3.c)
    target_include_directories(sqlite3 SYSTEM PUBLIC ${TIDYQUILL_SQLITE_DIR})
    target_compile_definitions(sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_DQS=0 SQLITE_OMIT_LOAD_EXTENSION
                                               SQLITE_ENABLE_DBSTAT_VTAB
                                               SQLITE_DEFAULT_MEMSTATUS=0)
    target_compile_options(sqlite3 PRIVATE -O2 -w)
    add_library(Tidyquill::sqlite3 ALIAS sqlite3)

    add_library(tinyxml2 STATIC ${TIDYQUILL_TINYXML2_DIR}/tinyxml2.cpp)
    target_include_directories(tinyxml2 SYSTEM PUBLIC ${TIDYQUILL_TINYXML2_DIR})
    add_library(Tidyquill::tinyxml2 ALIAS tinyxml2)

    if(TIDYQUILL_TESTS)
        # GoogleTest from Debian's source copy, built with the cross compiler.
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    endif()
else()
    # Debian builds its library with the dbstat table (SQLITE_ENABLE_DBSTAT_VTAB), which the analysis needs; the
    # analysis tests fail on a library without it.
    find_package(SQLite3 REQUIRED)
    add_library(Tidyquill::sqlite3 ALIAS SQLite::SQLite3)
    if(TIDYQUILL_FUZZ AND EXISTS ${TIDYQUILL_TINYXML2_DIR}/tinyxml2.cpp)
        # The same version from source, so that the fuzzers see into the XML parser too.
        add_library(tinyxml2 STATIC ${TIDYQUILL_TINYXML2_DIR}/tinyxml2.cpp)
        target_include_directories(tinyxml2 SYSTEM PUBLIC ${TIDYQUILL_TINYXML2_DIR})
        add_library(Tidyquill::tinyxml2 ALIAS tinyxml2)
    else()
        find_package(tinyxml2 CONFIG REQUIRED)
        add_library(Tidyquill::tinyxml2 ALIAS tinyxml2::tinyxml2)
    endif()
    if(TIDYQUILL_TESTS)
        find_package(GTest REQUIRED)
    endif()
endif()
