brevio_bench(bench_reception SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_reception.cpp
             LIBS net store reference settings platform)
