# NSP/0.2 messages, the server connection socket, the exchanges built on them and the network
# settings dialog's form.
target_sources(net PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/nsp_message.cpp
  ${CMAKE_CURRENT_LIST_DIR}/proxy_socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exchange.cpp
  ${CMAKE_CURRENT_LIST_DIR}/net_settings_form.cpp)
target_link_libraries(net PUBLIC settings platform)
