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
# The developer's reverse-DNS id in software centres: the app id's domain.
string(REGEX REPLACE "[.][^.]+$" "" ORVANE_DEVELOPER_ID "${ORVANE_APP_ID}")
# Public addresses, empty until the project has them; the metainfo names each one that is set
# (`cmake --preset linux -DORVANE_HOMEPAGE_URL=https://...`). The screenshot base is the
# address of a folder that holds docs/screenshot-linux-*.png.
set(ORVANE_HOMEPAGE_URL "" CACHE STRING "The project's homepage (https://...), if any")
set(ORVANE_BUGTRACKER_URL "" CACHE STRING "Where users report bugs (https://...), if anywhere")
set(ORVANE_SCREENSHOT_BASE_URL "" CACHE STRING
    "The public folder holding docs/screenshot-linux-*.png (https://...), if any")

# "OrvaneATS Version 1.20": the about box's version line and the version resource's product name.
set(ORVANE_VERSION_LINE
    "${ORVANE_PRODUCT} Version ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}${PROJECT_VERSION_PATCH}")
# The lines made of them: LICENSE's copyright line, the about box's legal line and the version
# resource's legal notice.
set(ORVANE_COPYRIGHT_LINE "Copyright (c) ${ORVANE_COPYRIGHT_YEAR} ${ORVANE_PUBLISHER}")
set(ORVANE_LEGAL_LINE "© ${ORVANE_COPYRIGHT_YEAR} ${ORVANE_PUBLISHER}")
set(ORVANE_COPYRIGHT_NOTICE
    "Copyright © ${ORVANE_COPYRIGHT_YEAR} ${ORVANE_PUBLISHER}. ${ORVANE_LICENSE_NAME}.")

# The release date is the newest entry's of RELEASE_NOTES.md, so every build of a version has
# the same date and the same bytes; its midnight (UTC) is the time of every file in the
# downloads. A test checks that the entry's version is the one of project().
set(ORVANE_RELEASE_NOTES ${PROJECT_SOURCE_DIR}/RELEASE_NOTES.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ORVANE_RELEASE_NOTES})
file(READ ${ORVANE_RELEASE_NOTES} notes)
if(NOT notes MATCHES "\n## ([0-9]+[.][0-9]+[.][0-9]+) [(]([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])[)]\n")
  message(FATAL_ERROR "RELEASE_NOTES.md has no entry \"## <version> (<YYYY-MM-DD>)\"")
endif()
set(ORVANE_NOTES_VERSION ${CMAKE_MATCH_1})
set(ORVANE_RELEASE_DATE "${CMAKE_MATCH_2}-${CMAKE_MATCH_3}-${CMAKE_MATCH_4}")
# Days since 1970-01-01 of a civil date (the proleptic Gregorian calendar, years from 0).
math(EXPR y "${CMAKE_MATCH_2}")
math(EXPR m "${CMAKE_MATCH_3}")
math(EXPR d "${CMAKE_MATCH_4}")
if(m LESS_EQUAL 2)
  math(EXPR y "${y} - 1")
  math(EXPR m "${m} + 9")
else()
  math(EXPR m "${m} - 3")
endif()
math(EXPR ORVANE_SOURCE_DATE_EPOCH
     "(${y} * 365 + ${y} / 4 - ${y} / 100 + ${y} / 400 + (153 * ${m} + 2) / 5 + ${d} - 1 - 719468) * 86400")
unset(y)
unset(m)
unset(d)
unset(notes)
# string(TIMESTAMP) formats SOURCE_DATE_EPOCH when it is set: lend it the release's.
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} "${ORVANE_SOURCE_DATE_EPOCH}")
string(TIMESTAMP day "%Y-%m-%d" UTC)
# The date in Debian changelogs (RFC 5322; CMake names days and months in English).
string(TIMESTAMP ORVANE_RELEASE_DATE_RFC "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
unset(saved_epoch)
if(NOT day STREQUAL ORVANE_RELEASE_DATE)
  message(FATAL_ERROR "RELEASE_NOTES.md: no such day ${ORVANE_RELEASE_DATE}")
endif()

# The facts as a C header (only #define lines, for compilers and the resource compiler alike),
# an NSIS include and JSON for any other build that needs them.
set(ORVANE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/release_facts.h.in
               ${ORVANE_GENERATED_DIR}/release_facts.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/release_facts.nsh.in
               ${ORVANE_GENERATED_DIR}/release_facts.nsh @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/release_facts.json.in
               ${ORVANE_GENERATED_DIR}/release_facts.json @ONLY)
