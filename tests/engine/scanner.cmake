vorn_add_test(vorn_scanner_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/scanner/scanner_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scanner/tag_text_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scanner/value_encoding_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scanner/tag_scanning_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scanner/template_records_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scanner/command_paragraph_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scanner/header_tables_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scanner/hostile_template_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scanner/real_documents_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scanner/writer_forms_test.cpp
  LIBS vorn_engine)
