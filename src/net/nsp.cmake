# NSP/0.2 messages, the server connection socket and the exchanges built on them.
target_sources(net PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/nsp_message.cpp
  ${CMAKE_CURRENT_LIST_DIR}/proxy_socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exchange.cpp)
target_link_libraries(net PUBLIC settings platform)
