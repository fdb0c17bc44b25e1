vorn_add_test(vorn_expression_tests
  SOURCES
    expression/expression_parser_test.cpp
    expression/function_calls_test.cpp
    expression/tag_classifier_test.cpp
    expression/report_variables_test.cpp
    expression/user_functions_test.cpp
    expression/component_storage_test.cpp
  LIBS vorn_engine)
