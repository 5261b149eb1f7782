# The fuzz targets: targets/<name>.cpp with its seed corpus in corpus/<name>/. Read by the
# native build (fuzz/CMakeLists.txt) and by the test registration (fuzz/FuzzTests.cmake).
set(QZR_FUZZ_TARGETS menu_ini package_ini uninstall_files zip_archive whitelist_block keypad_tables taskbar_filter cab_control_file cab_container cab_inf)

# The rule sources each target's coverage is reported on (scripts/fuzz), from the project's root.
set(QZR_FUZZ_COVERS_menu_ini launcher/core/IniFile.cpp launcher/core/MenuRules.cpp launcher/core/LauncherConfig.cpp)
set(QZR_FUZZ_COVERS_package_ini setup/IniText.cpp setup/Fields.cpp setup/Macros.cpp setup/PackageLists.cpp)
set(QZR_FUZZ_COVERS_uninstall_files setup/Records.cpp)
set(QZR_FUZZ_COVERS_zip_archive setup/zip/ZipArchive.cpp setup/zip/ZipRules.cpp setup/zip/BufferedZipFile.cpp)
set(QZR_FUZZ_COVERS_whitelist_block common/WhitelistCache.cpp monitor/ListMatch.cpp)
set(QZR_FUZZ_COVERS_keypad_tables emulator/keypad/KeypadTables.cpp)
set(QZR_FUZZ_COVERS_taskbar_filter launcher/lockdown/LockdownRules.cpp)
set(QZR_FUZZ_COVERS_cab_control_file tools/qzrcab/CeSetupFile.cpp)
set(QZR_FUZZ_COVERS_cab_container tools/qzrcab/CabinetCheck.cpp)
set(QZR_FUZZ_COVERS_cab_inf tools/qzrcab/InfReader.cpp tools/qzrcab/CabLayout.cpp)
