# Scan benchmark: `cmake --build <dir> --target bench_scan` generates a book of
# 32,767 persons and prints the scan's wall time and peak memory beside xmlwf
# parsing the same file (bench_scan.sh).
add_custom_target(bench_scan
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/bench_scan.sh $<TARGET_FILE:tallowby-cli>
  DEPENDS tallowby-cli
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  USES_TERMINAL
  COMMENT "Scan benchmark (32,767 persons)")
