vorn_add_test(vorn_eval_tests
  SOURCES
    eval/builtins_date_dataset_test.cpp
    eval/builtins_text_number_test.cpp
    eval/builtins_values_test.cpp
    eval/expression_output_test.cpp
    eval/expression_templates_test.cpp
    eval/operators_test.cpp
    eval/user_function_calls_test.cpp
  LIBS vorn_engine)
