# The fuzz targets: targets/<name>.cpp with its seed corpus in corpus/<name>/. Read by the
# native build (fuzz/CMakeLists.txt) and by the test registration (fuzz/FuzzTests.cmake).
set(QZR_FUZZ_TARGETS menu_ini package_ini uninstall_files zip_archive whitelist_block keypad_tables taskbar_filter cab_control_file cab_container cab_inf)
