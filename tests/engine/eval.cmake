vorn_add_test(vorn_eval_tests
  SOURCES
    eval/operators_test.cpp
  LIBS vorn_engine)
