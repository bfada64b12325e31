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

# Two precompiled headers: one of Qt Core and the standard library for the
# layers below the views, one that adds Qt Widgets for the views and everything
# above them. Each is built once and reused by the targets of its kind.
set(KESVOR_PCH_CORE_HEADER ${CMAKE_CURRENT_LIST_DIR}/pch/KesvorCorePch.h)
set(KESVOR_PCH_HEADER ${CMAKE_CURRENT_LIST_DIR}/pch/KesvorPch.h)

# kesvor_use_pch(<target> [CORE])
function(kesvor_use_pch target)
    if(ARGV1 STREQUAL "CORE")
        set(owner kesvor_foundation)
        set(header ${KESVOR_PCH_CORE_HEADER})
    else()
        set(owner kesvor_ui)
        set(header ${KESVOR_PCH_HEADER})
    endif()
    if(target STREQUAL owner)
        target_precompile_headers(${target} PRIVATE ${header})
    else()
        target_precompile_headers(${target} REUSE_FROM ${owner})
    endif()
endfunction()

# kesvor_add_layer(<layer> [DEPENDS <targets>...] [LIBRARIES <libraries>...])
# The static library kesvor_<layer> of platform/<layer>. Its headers are
# published as "<layer>/X.h" through a folder that holds this layer alone, so
# a target sees the headers of exactly the layers it links.
function(kesvor_add_layer layer)
    cmake_parse_arguments(ARG "" "" "DEPENDS;LIBRARIES" ${ARGN})
    set(target kesvor_${layer})
    kesvor_glob_sources(sources ${CMAKE_CURRENT_SOURCE_DIR}/${layer})
    add_library(${target} STATIC ${sources})
    set(root ${PROJECT_BINARY_DIR}/include-roots/${layer})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS} ${ARG_LIBRARIES})
    kesvor_target_defaults(${target})
    kesvor_add_header_check(${target} ${CMAKE_CURRENT_SOURCE_DIR}/${layer})
endfunction()

# kesvor_add_header_check(<target> <folder>)
# Compiles every header under folder on its own, with target's include paths
# and without the precompiled header, so a header that does not include what
# it uses breaks the build.
function(kesvor_add_header_check target folder)
    if(NOT KESVOR_CHECK_HEADERS)
        return()
    endif()
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${folder}/*.h)
    set(check_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_headers)
    set(units)
    foreach(header IN LISTS headers)
        file(RELATIVE_PATH relative ${folder} ${header})
        string(MAKE_C_IDENTIFIER ${relative} name)
        set(unit ${check_dir}/${name}.cpp)
        file(CONFIGURE OUTPUT ${unit} CONTENT "#include \"${header}\"\n")
        list(APPEND units ${unit})
    endforeach()
    add_library(${target}_headers OBJECT ${units})
    set_target_properties(${target}_headers PROPERTIES AUTOMOC OFF)
    target_link_libraries(${target}_headers PRIVATE ${target})
    target_compile_options(${target}_headers PRIVATE
        $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Werror>)
    target_compile_definitions(${target}_headers PRIVATE QT_NO_KEYWORDS)
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
