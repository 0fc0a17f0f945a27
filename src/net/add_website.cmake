# The add-website dialog as a form object: its field checks, lists and the site proposal.
target_sources(net PRIVATE ${CMAKE_CURRENT_LIST_DIR}/add_website_form.cpp)
