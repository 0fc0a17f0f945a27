# Portal login: the login form post and the user's category selection it brings.
target_sources(net PRIVATE ${CMAKE_CURRENT_LIST_DIR}/login.cpp)
