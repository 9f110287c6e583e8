# Helpers shared by every folder's CMakeLists.txt.

# quillan_library(NAME DIRS d1 d2 ... LINK lib1 lib2 ...)
# A static library from every .cpp in the given folders (relative to the current
# source dir). An empty folder gives an interface library, so a layer can exist
# before its first source file.
function(quillan_library name)
    cmake_parse_arguments(A "" "" "DIRS;LINK;EXCLUDE" ${ARGN})
    set(srcs "")
    foreach(d IN LISTS A_DIRS)
        file(GLOB s CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.cpp)
        file(GLOB h CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.h)
        list(APPEND srcs ${s} ${h})
    endforeach()
    foreach(x IN LISTS A_EXCLUDE)
        list(FILTER srcs EXCLUDE REGEX "/${x}$")
    endforeach()
    set(cpps ${srcs})
    list(FILTER cpps INCLUDE REGEX "\\.cpp$")
    if(cpps)
        add_library(${name} STATIC ${srcs})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${A_LINK})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${A_LINK})
    endif()
endfunction()

# quillan_test(NAME LINK lib1 lib2 ... [ENV VAR=value ...])
# One GoogleTest executable from every .cpp of the current folder, registered
# with CTest test by test. Qt runs offscreen; the engine's reference vectors
# are found through QUILLAN_VECTORS (tests skip when the folder is absent).
# The environment is compiled into the executable (set before main), so a test
# runs the same from CTest and by hand; only QUILLAN_VECTORS may be given by
# the caller instead.
function(quillan_test name)
    cmake_parse_arguments(A "" "" "LINK;ENV" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    set(entries
        "QT_QPA_PLATFORM=offscreen"
        "QUILLAN_VECTORS=${QUILLAN_VECTORS}"
        "QUILLAN_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
        "QUILLAN_BINARY_DIR=${PROJECT_BINARY_DIR}"
        # Replaced originals and run journals stay inside the build tree.
        "XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg-data"
        "XDG_STATE_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg-state"
        ${A_ENV})
    set(QUILLAN_TEST_ENV "")
    foreach(e IN LISTS entries)
        string(FIND "${e}" "=" eq)
        string(SUBSTRING "${e}" 0 ${eq} key)
        math(EXPR from "${eq} + 1")
        string(SUBSTRING "${e}" ${from} -1 value)
        set(overwrite 1)
        if(key STREQUAL "QUILLAN_VECTORS")
            set(overwrite 0)
        endif()
        string(APPEND QUILLAN_TEST_ENV "        setenv(\"${key}\", R\"q(${value})q\", ${overwrite});\n")
    endforeach()
    set(env_cpp ${CMAKE_CURRENT_BINARY_DIR}/${name}_env.cpp)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/TestEnv.cpp.in ${env_cpp} @ONLY)
    add_executable(${name} ${srcs} ${env_cpp})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${A_LINK} GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 300)
endfunction()

# Adds every direct subfolder of the current folder that has a CMakeLists.txt.
function(quillan_add_subfolders)
    file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
    foreach(e IN LISTS entries)
        if(IS_DIRECTORY ${e} AND EXISTS ${e}/CMakeLists.txt)
            add_subdirectory(${e})
        endif()
    endforeach()
endfunction()
