target_sources(net PRIVATE ${CMAKE_CURRENT_LIST_DIR} / login.cpp)
