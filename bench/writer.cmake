# bench_writer: the worksheet writer against a plain buffered fwrite of the same bytes.
add_executable(bench_writer ${CMAKE_CURRENT_LIST_DIR}/bench_writer.cpp)
target_link_libraries(bench_writer PRIVATE tallowby_biff)
