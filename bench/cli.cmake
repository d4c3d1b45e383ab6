# Command-line benchmark: `cmake --build <dir> --target bench_cli` generates a book of
# 32,767 persons and prints the wall time and peak memory of tallowby-cli scan and
# export beside xmlwf parsing the same file (bench_cli.sh).
add_custom_target(bench_cli
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/bench_cli.sh $<TARGET_FILE:tallowby-cli>
  DEPENDS tallowby-cli
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  USES_TERMINAL
  COMMENT "Command-line benchmark (32,767 persons)")
