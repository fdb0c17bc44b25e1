vorn_add_test(vorn_qertf_tests
  SOURCES
    qertf/documents_test.cpp
    qertf/report_component_test.cpp
  LIBS vorn_engine)
