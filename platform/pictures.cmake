target_sources(vorn_platform PRIVATE)
