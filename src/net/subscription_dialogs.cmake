# The dialogs of the subscription model and the find bar as form objects: category selection,
# web sites, automatic search, property view, the bulletin window and the find bar. The find
# bar searches the news store, so the library sits on the store as well.
target_sources(net PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/auto_search_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bulletin_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/category_selection_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/find_bar_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/property_view_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/website_form.cpp)
target_link_libraries(net PUBLIC store)
