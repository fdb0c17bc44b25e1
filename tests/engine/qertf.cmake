vorn_add_test(vorn_qertf_tests
  SOURCES
    qertf/report_component_test.cpp
  LIBS vorn_engine)
