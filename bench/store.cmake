brevio_bench(bench_news_file SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_news_file.cpp LIBS store)
