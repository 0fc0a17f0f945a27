# Reference-list refresh from the news server: the update dialog's form, the list writers and
# the refresh of every list. A library of its own, since it sits on the server exchange (net),
# which itself uses the reference tables.
brevio_core_library(list_update
  ${CMAKE_CURRENT_LIST_DIR}/list_update.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_update_dialog.cpp)
target_link_libraries(list_update PUBLIC reference net store settings platform)
