# The document demonstration: the keyword list, and the editor window with its word search.
qm_add_demo_test(doc_keylist_test)
qm_add_demo_test(doc_window_test)
