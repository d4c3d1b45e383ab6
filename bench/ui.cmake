# Desktop program benchmark: `cmake --build <dir> --target bench_ui` generates a book
# of 32,767 persons and prints the wall time and peak memory of a scan through the
# real main window, offscreen, and of the export through the conversion window
# (bench_ui.sh). Goal: the scan under 3 s.
if(TARGET tallowby_ui)
  add_executable(bench_ui_window ${CMAKE_CURRENT_LIST_DIR}/bench_ui.cpp)
  target_link_libraries(bench_ui_window PRIVATE tallowby_ui)
  add_custom_target(bench_ui
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/bench_ui.sh $<TARGET_FILE:bench_ui_window>
    DEPENDS bench_ui_window
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    USES_TERMINAL
    COMMENT "Desktop program benchmark (32,767 persons)")
endif()
