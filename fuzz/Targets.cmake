# The fuzz targets: targets/<name>.cpp with its seed corpus in corpus/<name>/. Read by the
# native build (fuzz/CMakeLists.txt) and by the test registration (fuzz/FuzzTests.cmake).
set(QZR_FUZZ_TARGETS menu_ini package_ini uninstall_files zip_archive whitelist_block keypad_tables taskbar_filter cab_control_file cab_container cab_inf)

# The rule sources each target's coverage is reported on (scripts/fuzz), from the project's root.
set(QZR_FUZZ_COVERS_menu_ini launcher/core/IniFile.cpp launcher/core/MenuRules.cpp launcher/core/LauncherConfig.cpp)
set(QZR_FUZZ_COVERS_package_ini setup/IniText.cpp setup/Fields.cpp setup/Macros.cpp setup/PackageLists.cpp)
set(QZR_FUZZ_COVERS_uninstall_files setup/Records.cpp)
set(QZR_FUZZ_COVERS_zip_archive setup/zip/ZipArchive.cpp setup/zip/ZipRules.cpp setup/zip/BufferedZipFile.cpp)
set(QZR_FUZZ_COVERS_whitelist_block common/WhitelistCache.cpp monitor/ListMatch.cpp)
set(QZR_FUZZ_COVERS_keypad_tables emulator/keypad/KeypadTables.cpp launcher/lockdown/LockdownRules.cpp)
set(QZR_FUZZ_COVERS_taskbar_filter launcher/lockdown/LockdownRules.cpp)
set(QZR_FUZZ_COVERS_cab_control_file tools/qzrcab/CeSetupFile.cpp)
set(QZR_FUZZ_COVERS_cab_container tools/qzrcab/CabinetCheck.cpp)
set(QZR_FUZZ_COVERS_cab_inf tools/qzrcab/InfReader.cpp tools/qzrcab/CabLayout.cpp)

# Where a file also holds code that takes no outside data, the parser figure counts only the
# functions that match this (Python) regular expression over their demangled names; the
# whole-file figure stays beside it. Left out: the whitelist block's kernel-object view, the
# menu file's location and file-system calls (folders, the conversion's work folder, sizes),
# the key-locking and shell-key rules beside the task bar's message rules, the simulated
# keypad's host-key mapping, and the control file's writer.
set(QZR_FUZZ_FUNCTIONS_menu_ini "^(?!.*(HasAnyIniSection|FindIniSection|MakeIniTempFileName|IniBytes::encoding|MenuIniKeys|ProductMenuLocation|GetMenuIniPath|GetMenuIniSizeForCache|FindStorageCardFolder|SweepConversionFolder|FileStatusKept))")
set(QZR_FUZZ_FUNCTIONS_whitelist_block "^(?!qzr::whitelist::WhitelistCacheView)")
set(QZR_FUZZ_FUNCTIONS_keypad_tables "^(?!keypad::(PhysicalKeyFor|ScanCodeOf)[(])(keypad::|.*(PatchVkeyGoldEntries|ClearVolumeEntries|RemapRecordsForKey|ReplaceRecords|RemapMemberRuns|Model|::(Set)?Entry[(]))")
set(QZR_FUZZ_FUNCTIONS_taskbar_filter "(ComputeTapLimits|EffectiveVolumeAllowance|DecideTaskbarMessage|MaintenanceLineFor|IsTap)")
set(QZR_FUZZ_FUNCTIONS_cab_control_file "^(?!qzrcab::CeSetupBuilder)")
