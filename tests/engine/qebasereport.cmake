vorn_add_test(vorn_qebasereport_tests
  SOURCES
    qebasereport/compiled_stream_test.cpp
    qebasereport/field_ref_test.cpp
    qebasereport/rtf_control_words_test.cpp
    qebasereport/rtf_walker_test.cpp
  LIBS vorn_engine)
