vorn_add_test(vorn_blocks_tests
  SOURCES
    blocks/brace_balance_test.cpp
    blocks/if_blocks_test.cpp
    blocks/scan_commands_test.cpp
    blocks/scan_generation_test.cpp
  LIBS vorn_engine)
