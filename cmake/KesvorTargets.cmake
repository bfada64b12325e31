# Shared settings for the project's own targets.

# Warnings are errors for our own code only; Qt, GoogleTest and generated moc
# sources are not held to them.
function(kesvor_target_defaults target)
    target_compile_options(${target} PRIVATE
        $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Werror>)
    target_compile_definitions(${target} PRIVATE
        QT_NO_KEYWORDS
        $<$<CONFIG:Debug,RelWithDebInfo>:KESVOR_DEBUG_LOG_ENABLED>)
    kesvor_rescan_moc_on_new_sources(${target})
endfunction()

# With Ninja, AUTOMOC reruns only when a file it already scanned changes, so a
# newly added QObject header would go unnoticed in an existing build folder.
# Dropping the autogen stamp whenever the source list changes forces a rescan.
function(kesvor_rescan_moc_on_new_sources target)
    get_target_property(sources ${target} SOURCES)
    string(SHA1 digest "${sources}")
    set(digest_file ${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${target}.sources.sha1)
    set(previous "")
    if(EXISTS ${digest_file})
        file(READ ${digest_file} previous)
    endif()
    if(NOT previous STREQUAL digest)
        file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
        file(WRITE ${digest_file} ${digest})
    endif()
endfunction()

# One precompiled header serves every target of the project: the Qt and
# standard headers nearly all translation units include.
set(KESVOR_PCH_HEADER ${CMAKE_CURRENT_LIST_DIR}/pch/KesvorPch.h)

function(kesvor_use_pch target)
    if(TARGET kesvor_platform AND NOT target STREQUAL "kesvor_platform")
        target_precompile_headers(${target} REUSE_FROM kesvor_platform)
    else()
        target_precompile_headers(${target} PRIVATE ${KESVOR_PCH_HEADER})
    endif()
endfunction()

# Sources of a directory tree, picked up as files are added.
function(kesvor_glob_sources out)
    set(result)
    foreach(dir IN LISTS ARGN)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS
            ${dir}/*.cpp ${dir}/*.h)
        list(APPEND result ${found})
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

# Adds every immediate subfolder of the current source folder that has a
# CMakeLists.txt, so new suites, tools and benchmarks need no registration.
function(kesvor_add_subfolders)
    file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()
