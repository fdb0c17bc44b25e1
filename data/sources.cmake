target_sources(vorn_data PRIVATE)
