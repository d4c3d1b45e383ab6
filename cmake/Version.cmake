# The version header: project(VERSION) is the one place the version is written down.
# Code includes "tallowby/Version.h" (TALLOWBY_VERSION, TALLOWBY_VERSION_MAJOR_MINOR,
# TALLOWBY_VERSION_TEXT, ...); a target gets it by linking tallowby_version, which
# every library of the project links publicly, so whatever links a library has it.

# "5.5 build 1109": the version as the programs print it.
set(TALLOWBY_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR} build ${PROJECT_VERSION_PATCH}")

# configure_file rewrites the header only when its text changes, so a new
# configure does not rebuild everything that includes it.
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in
               ${CMAKE_BINARY_DIR}/generated/tallowby/Version.h @ONLY)
add_library(tallowby_version INTERFACE)
target_include_directories(tallowby_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
