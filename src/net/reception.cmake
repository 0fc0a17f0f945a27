target_sources(net PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/filing_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reception.cpp)
target_link_libraries(net PUBLIC store)
