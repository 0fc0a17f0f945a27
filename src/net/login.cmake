# Portal login: the login form post, the user's category selection it brings, and the login
# dialog's form.
target_sources(net PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/login.cpp
  ${CMAKE_CURRENT_LIST_DIR}/login_form.cpp)
