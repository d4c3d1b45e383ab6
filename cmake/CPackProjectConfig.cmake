# Read by cpack before it packs (CPACK_PROJECT_CONFIG_FILE, cmake/Packaging.cmake).
# CPack stamps every file and the archives with SOURCE_DATE_EPOCH when it is set;
# without it they get the build's times and no two builds agree. A build that sets
# none (a developer's, CI's) gets the time of the changelog's latest entry, as
# Debian's own package builds do.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND dpkg-parsechangelog -l "${CPACK_TALLOWBY_CHANGELOG}" -S Timestamp
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()
