# Every fact about the release in one place; each package, the resources and both about boxes
# take them from the files generated here. The version is the one of project() in
# CMakeLists.txt.
set(ORVANE_PRODUCT "OrvaneATS")
set(ORVANE_APP_ID "org.orvaneats.OrvaneATS")
set(ORVANE_PUBLISHER "The OrvaneATS authors")
set(ORVANE_CONTACT "The OrvaneATS authors <dev@orvaneats.invalid>")
set(ORVANE_COPYRIGHT_YEAR 2026)
set(ORVANE_LICENSE_SPDX "MIT")
set(ORVANE_LICENSE_NAME "MIT License")

# "OrvaneATS Version 1.20": the about box's version line and the version resource's product name.
set(ORVANE_VERSION_LINE
    "${ORVANE_PRODUCT} Version ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}${PROJECT_VERSION_PATCH}")
# The lines made of them: LICENSE's copyright line, the about box's legal line and the version
# resource's legal notice.
set(ORVANE_COPYRIGHT_LINE "Copyright (c) ${ORVANE_COPYRIGHT_YEAR} ${ORVANE_PUBLISHER}")
set(ORVANE_LEGAL_LINE "© ${ORVANE_COPYRIGHT_YEAR} ${ORVANE_PUBLISHER}")
set(ORVANE_COPYRIGHT_NOTICE
    "Copyright © ${ORVANE_COPYRIGHT_YEAR} ${ORVANE_PUBLISHER}. ${ORVANE_LICENSE_NAME}.")

# The release date is the time of the last commit, so two builds of one commit agree:
# SOURCE_DATE_EPOCH when set, else `git log -1`, else a fixed time for a tree outside git.
set(ORVANE_FALLBACK_EPOCH 1767225600)  # 2026-01-01 00:00:00 UTC
function(orvane_source_date_epoch out)
  if("$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    set(${out} "$ENV{SOURCE_DATE_EPOCH}" PARENT_SCOPE)
    return()
  endif()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE result ERROR_QUIET)
    # A new commit or checkout configures again, so the date follows the commit.
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${PROJECT_SOURCE_DIR} rev-parse
                            --absolute-git-dir
                    OUTPUT_VARIABLE git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(git_dir AND EXISTS "${git_dir}/logs/HEAD")
      set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                   "${git_dir}/logs/HEAD")
    endif()
    if(result EQUAL 0 AND epoch MATCHES "^[0-9]+$")
      set(${out} "${epoch}" PARENT_SCOPE)
      return()
    endif()
  endif()
  set(${out} "${ORVANE_FALLBACK_EPOCH}" PARENT_SCOPE)
endfunction()

orvane_source_date_epoch(ORVANE_SOURCE_DATE_EPOCH)
# string(TIMESTAMP) formats SOURCE_DATE_EPOCH when it is set: lend it the commit's time.
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} "${ORVANE_SOURCE_DATE_EPOCH}")
string(TIMESTAMP ORVANE_RELEASE_DATE "%Y-%m-%d" UTC)
# The date in Debian changelogs (RFC 5322; CMake names days and months in English).
string(TIMESTAMP ORVANE_RELEASE_DATE_RFC "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
unset(saved_epoch)

# The facts as a C header (only #define lines, for compilers and the resource compiler alike),
# an NSIS include and JSON for any other build that needs them.
set(ORVANE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/release_facts.h.in
               ${ORVANE_GENERATED_DIR}/release_facts.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/release_facts.nsh.in
               ${ORVANE_GENERATED_DIR}/release_facts.nsh @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/release_facts.json.in
               ${ORVANE_GENERATED_DIR}/release_facts.json @ONLY)
