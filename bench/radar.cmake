brevio_bench(bench_page_diff SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_page_diff.cpp LIBS radar)
