# Export benchmark: `cmake --build <dir> --target bench_export` generates a book of
# 32,767 persons and prints the export's wall time and peak memory beside xmlwf and
# the scan (bench_export.sh).
add_custom_target(bench_export
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/bench_export.sh $<TARGET_FILE:tallowby-cli>
  DEPENDS tallowby-cli
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  USES_TERMINAL
  COMMENT "Export benchmark (32,767 persons)")
