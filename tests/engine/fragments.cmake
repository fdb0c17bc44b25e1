vorn_add_test(vorn_fragment_tests
  SOURCES
    fragments/document_parts_test.cpp
    fragments/fragment_merge_test.cpp
    fragments/header_table_forms_test.cpp
    fragments/hostile_fragments_test.cpp
    fragments/keyword_table_test.cpp
    fragments/word_processor_fragments_test.cpp
  LIBS vorn_engine)
