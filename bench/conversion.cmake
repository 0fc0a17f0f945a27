brevio_bench(bench_conversion SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_conversion.cpp
             LIBS conversion store reference settings platform)
