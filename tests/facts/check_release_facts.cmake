# Checks that LICENSE, README.md and RELEASE_NOTES.md say what the release's facts say.
#   cmake -DFACTS=<build>/generated/release_facts.json -DSOURCE=<repository> -P <this file>
cmake_policy(SET CMP0007 NEW)  # the empty lines of LICENSE count
file(READ ${FACTS} facts)
foreach(key license license_name copyright_line version release_date)
  string(JSON ${key} GET "${facts}" ${key})
endforeach()

set(failures "")
file(STRINGS ${SOURCE}/LICENSE licence_lines)
list(GET licence_lines 0 licence_title)
if(NOT licence_title STREQUAL license_name)
  string(APPEND failures "LICENSE is headed \"${licence_title}\", not \"${license_name}\"\n")
endif()
list(FIND licence_lines "${copyright_line}" at)
if(at LESS 0)
  string(APPEND failures "LICENSE lacks the line \"${copyright_line}\"\n")
endif()

# README.md names the licence in both languages, and its holder.
file(READ ${SOURCE}/README.md readme)
foreach(phrase "`LICENSE.txt` is the ${license} licence" "${license} ライセンス"
               "(SPDX `${license}`" "\n${copyright_line}\n")
  string(FIND "${readme}" "${phrase}" at)
  if(at LESS 0)
    string(APPEND failures "README.md lacks \"${phrase}\"\n")
  endif()
endforeach()

# The newest release notes are the version's, and its date is the release date.
file(READ ${SOURCE}/RELEASE_NOTES.md notes)
string(REGEX MATCH "\n## [^\n]*" newest "${notes}")
string(STRIP "${newest}" newest)
if(NOT newest STREQUAL "## ${version} (${release_date})")
  string(APPEND failures "RELEASE_NOTES.md's newest entry is \"${newest}\", not ${version}\n")
endif()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
