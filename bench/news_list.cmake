# The news list over 100,000 records in the real list view, offscreen (desktop client builds).
if(TARGET brevio_ui)
  add_executable(bench_news_list ${CMAKE_CURRENT_SOURCE_DIR}/bench_news_list.cpp)
  # Compiled like the desktop client (UTF-8 literals; the records' texts are converted to GBK).
  target_link_libraries(bench_news_list PRIVATE brevio_ui Qt6::Test benchmark::benchmark)
endif()
