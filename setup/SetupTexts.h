// Every fixed text of the setup library: file names, INI names, status texts and log lines.
#pragma once

namespace qzrsetup {

// Files in the installation directory.
inline constexpr wchar_t kIniPathFormat[] = L"%s\\qzrCeInstall.ini";
inline constexpr wchar_t kLogPathFormat[] = L"%s\\qzrCEInstall.log";
inline constexpr wchar_t kDataPathFormat[] = L"%s\\qzrCEUnInstall.dat";
inline constexpr wchar_t kCommandPathFormat[] = L"%s\\qzrCEUnInstall.cmd";
inline constexpr wchar_t kRebootProgramFormat[] = L"%s\\qzrRebootDevice.exe";
inline constexpr wchar_t kResetFlagFile[] = L"\\Windows\\__resetmeplease__.txt";

// Line formats of the log and the uninstall files.
inline constexpr wchar_t kLogLineFormat[] = L"%2.2d-%2.2d-%2.2d %2.2d:%2.2d:%2.2d.%4.4d %s\r\n";
inline constexpr wchar_t kRecordLineFormat[] = L"%s\r\n";
inline constexpr wchar_t kQuotedFormat[] = L"\"%s\"";  // shortcut targets

// Uninstall records.
inline constexpr wchar_t kRecordKey[] = L"R:K:%d:%s";
inline constexpr wchar_t kRecordValue[] = L"R:V:%d:%s:%s";
inline constexpr wchar_t kRecordShortcut[] = L"S:%s";
inline constexpr wchar_t kRecordFile[] = L"F:%s";
inline constexpr wchar_t kRecordDir[] = L"D:%s";
inline constexpr wchar_t kRecordApp[] = L"A:%s";

// Records that are not written, always logged: uninstallation cannot undo what they name.
inline constexpr wchar_t kLogKeyNotRecorded[] = L"Key name cannot be recorded, uninstall will leave key: %s";
inline constexpr wchar_t kLogValueNotRecorded[] = L"Value name cannot be recorded, uninstall will leave value: %s [%s]";
inline constexpr wchar_t kLogRecordTooLong[] = L"Record too long, uninstall will leave: %s";

// Section and key names of the package INI.
inline constexpr char kSecGeneral[] = "General";
inline constexpr char kSecPaths[] = "Paths";
inline constexpr char kSecShortcuts[] = "Shortcuts";
inline constexpr char kSecHookInit[] = "AppHook_Init";
inline constexpr char kSecHookExit[] = "AppHook_Exit";
inline constexpr char kSecHookOld[] = "AppHook";
inline constexpr char kSecProtected[] = "ProtectedFiles";
inline constexpr char kSecInstallPath[] = "AddInstallPathToRegistry";
inline constexpr char kSecVersion[] = "MinimumPreviousInstallVersion";
inline constexpr char kSecRegAdd[] = "RegistryAdditions";
inline constexpr char kSecRegRemove[] = "RegistryKeyRemovals";
inline constexpr char kSecRemovals[] = "Uninstall_Removals";
inline constexpr char kSecInitCommands[] = "Init_Commands";
inline constexpr char kSecExitCommands[] = "Exit_Commands";
inline constexpr char kSecUninstallCommands[] = "Uninstall_Commands";

inline constexpr char kKeyReboot[] = "Reboot";
inline constexpr char kKeyOverwrite[] = "OverwriteFiles";
inline constexpr char kKeyVerbose[] = "VerboseLogging";
inline constexpr char kKeyKbNeeded[] = "KBNeeded";
inline constexpr char kKeyAbort[] = "AbortInstallOnError";
inline constexpr char kKeyPathFormat[] = "Path%d";
inline constexpr char kKeyProgramPathFormat[] = "ProgramPathName%d";
inline constexpr char kKeyShortcutPathFormat[] = "ShortcutPathName%d";
inline constexpr char kKeyFilePathName[] = "FilePathName";
inline constexpr char kKeyFilePathNameFormat[] = "FilePathName%d";
inline constexpr char kKeyWaitForAppExit[] = "WaitForAppExit";
inline constexpr char kKeyDeleteApp[] = "DeleteApp";
inline constexpr char kKeyPathInit[] = "AddPathToRegistry_Init";
inline constexpr char kKeyPathExit[] = "AddPathToRegistry_Exit";
inline constexpr char kKeyPredefinedKey[] = "PredefinedKey";
inline constexpr char kKeySubkey[] = "Subkey";
inline constexpr char kKeyValue[] = "Value";
inline constexpr char kKeyMajor[] = "MajorVersion";
inline constexpr char kKeyMinor[] = "MinorVersion";
inline constexpr char kKeyExact[] = "ExactVersion";
inline constexpr char kKeyAppName[] = "AppNAme";
inline constexpr char kKeyExitAppPathName[] = "ExitAppPathName";

inline constexpr wchar_t kDne[] = L"DNE";
inline constexpr wchar_t kUseWceLoadPath[] = L"Use_WCELoad_Path";
inline constexpr wchar_t kNullData[] = L"~NULL~";
inline constexpr wchar_t kKeyOnlyClass[] = L"Testing...";
inline constexpr wchar_t kUninstallCommandsHeader[] = L"[Uninstall_Commands]";

// Macros.
inline constexpr wchar_t kMacroInstallDir[] = L"%INSTALLDIR%";
inline constexpr wchar_t kMacroStartup[] = L"%CSIDL_STARTUP%";
inline constexpr wchar_t kMacroPrograms[] = L"%CSIDL_PROGRAMS%";

// Process names that mean the installer runs in its automatic mode.
inline constexpr wchar_t kAutoCabExe[] = L"autocab.exe";
inline constexpr wchar_t kAutoCab[] = L"autocab";

// Status texts of the progress window.
inline constexpr wchar_t kStatusInstalling[] = L"Installing...";
inline constexpr wchar_t kStatusShortcutList[] = L"Getting Shortcut List";
inline constexpr wchar_t kStatusProtected[] = L"Getting Protected File(s) List...";
inline constexpr wchar_t kStatusInstallInfo[] = L"Obtaining Install Information...";
inline constexpr wchar_t kStatusRegAdditions[] = L"Obtaining Registry Additions...";
inline constexpr wchar_t kStatusRegCleanup[] = L"Obtaining Registry Cleanup Items...";
inline constexpr wchar_t kStatusVersion[] = L"Obtaining Version Information...";
inline constexpr wchar_t kStatusReadIni[] = L"Read INI settings...";
inline constexpr wchar_t kStatusRemovedReg[] = L"Removed Reg entries...";
inline constexpr wchar_t kStatusInitApp[] = L"Running INIT app...";
inline constexpr wchar_t kStatusShortcuts[] = L"Creating Shortcuts...";
inline constexpr wchar_t kStatusRegEntries[] = L"Creating Reg entries...";
inline constexpr wchar_t kStatusCleanup[] = L"Performing Cleanup...";
inline constexpr wchar_t kStatusExitApp[] = L"Running EXIT app...";
inline constexpr wchar_t kStatusComplete[] = L"Install Complete!";
inline constexpr wchar_t kStatusAutoCabReset[] = L"Autocab will reset...";
inline constexpr wchar_t kStatusResetting[] = L"Resetting Device...";

// Log lines of the installation flow.
inline constexpr wchar_t kLogUsingIni[] = L"Using INI: %s";
inline constexpr wchar_t kLogStarting[] = L"qzrCEInstall v1.05t01 Starting";
inline constexpr wchar_t kLogAutoCabRunning[] = L"AutoCab.exe is running";
inline constexpr wchar_t kLogAutoCabNotRunning[] = L"AutoCab.exe is NOT running";
inline constexpr wchar_t kLogRebootTrue[] = L"General Settings: Reboot = TRUE";
inline constexpr wchar_t kLogRebootFalse[] = L"General Settings: Reboot = FALSE";
inline constexpr wchar_t kLogOverwriteTrue[] = L"General Settings: Overwrite Files = TRUE";
inline constexpr wchar_t kLogVerboseTrue[] = L"General Settings: Verbose Logging = TRUE";
inline constexpr wchar_t kLogVerboseFalse[] = L"General Settings: Verbose Logging = FALSE";
inline constexpr wchar_t kLogAbortTrue[] = L"General Settings: Abort On Error = TRUE";
inline constexpr wchar_t kLogAbortFalse[] = L"General Settings: Abort On Error = FALSE";
inline constexpr wchar_t kLogInstallPathSet[] = L"Install Path set: %s";
inline constexpr wchar_t kLogInstallPathNotSet[] = L"Install Path not set";
inline constexpr wchar_t kLogBytesAvailable[] = L"%d bytes available.";
inline constexpr wchar_t kLogInitHook[] = L"Init Application Hook: %s";
inline constexpr wchar_t kLogNoInitHook[] = L"No Init Application Hook set";
inline constexpr wchar_t kLogExitHook[] = L"Exit Application Hook: %s";
inline constexpr wchar_t kLogNoExitHook[] = L"No Exit Application Hook set";
inline constexpr wchar_t kLogDesiredVersion[] = L"Desired Version = %d.%.2d";
inline constexpr wchar_t kLogWrongVersion[] = L"Wrong version installed -- %d.%.2d.";
inline constexpr wchar_t kLogPathPriorInit[] = L"Adding Install Path (prior to Init app)";
inline constexpr wchar_t kLogPathPostInstall[] = L"Adding Install Path (post install)";
inline constexpr wchar_t kLogUnzipError[] = L"An Error occurred during unzip.";
inline constexpr wchar_t kLogComplete[] = L"qzrCEInstall Complete!";

// Log lines of the actions.
inline constexpr wchar_t kLogSnapshotFailed[] = L"CreateToolhelp32Snapshot Failed - 0x%X";
inline constexpr wchar_t kLogProcessListStart[] = L"<RUNNING_PROCESS_LIST>";
inline constexpr wchar_t kLogProcessListEnd[] = L"</RUNNING_PROCESS_LIST>";
inline constexpr wchar_t kLogCompareAutoCabExe[] = L"[%s] to autocab.exe = %d";
inline constexpr wchar_t kLogCompareAutoCab[] = L"[%s] to autocab = %d";
inline constexpr wchar_t kLogEnterGetInstallPath[] = L"Entering GetInstallPath()";
inline constexpr wchar_t kLogLeaveGetInstallPath[] = L"Leaving GetInstallPath()";
inline constexpr wchar_t kLogPathCandidate[] = L"tszKey = %s -- g_tszInstallPath = %s";
inline constexpr wchar_t kLogWceLoadPath[] = L"-> WCELoad Install Path = %s";
inline constexpr wchar_t kLogEndFound[] = L"End found";
inline constexpr wchar_t kLogProtectedNotFound[] = L"Protected file %s not found";
inline constexpr wchar_t kLogCheckSetMacro[] = L"CheckSetMacro pszBuffer = %s";
inline constexpr wchar_t kLogCreateKeyError[] = L"Error %d when attempting to create key: %s";
inline constexpr wchar_t kLogCreatedKey[] = L"Created Key: %s";
inline constexpr wchar_t kLogRegWriteBinary[] = L"Reg Write -- %s";
inline constexpr wchar_t kLogRegWriteDword[] = L"Reg Write -- %s to %d";
inline constexpr wchar_t kLogRegWriteString[] = L"Reg Write -- %s to %s";
inline constexpr wchar_t kLogSetValueError[] = L"Error %d when attempting set value: %s, error = %d";
inline constexpr wchar_t kLogSetValueString[] = L"Set Value: %s [%s]";
inline constexpr wchar_t kLogSetValueDword[] = L"Set Value: %s [%d]";
inline constexpr wchar_t kLogSetValueBinary[] = L"Set Value: [binary data]";
inline constexpr wchar_t kLogDeleteShortcutError[] = L"Error deleting \"%s\" -- %d";
inline constexpr wchar_t kLogCreatingShortcut[] = L"Creating Shortcut %s to %s";
inline constexpr wchar_t kLogShortcutFailure[] = L"FAILURE::Shortcut Creation -- %s to %s";
inline constexpr wchar_t kLogProcessStarted[] = L"Create Process \"%s\" succeeded.";
inline constexpr wchar_t kLogProcessFailed[] = L"FAILURE::Executing \"%s\" File DNE.";
inline constexpr wchar_t kLogNotWaiting[] = L"Continuing without waiting for \"%s\" to exit.";
inline constexpr wchar_t kLogWaiting[] = L"Waiting for \"%s\" to exit.";
inline constexpr wchar_t kLogExited[] = L"Application \"%s\" has exited.  Continuing...";
inline constexpr wchar_t kLogResetRequested[] = L"App requested reset when complete.";
inline constexpr wchar_t kLogDeletedFile[] = L"Deleted file: %s";
inline constexpr wchar_t kLogDeleteFileFailed[] = L"[Error %d]Failed to delete file: %s";
inline constexpr wchar_t kLogDeletingDir[] = L"Deleting Directory: %s";
inline constexpr wchar_t kLogMoved[] = L"Moved [%s] to [%s]";
inline constexpr wchar_t kLogMoveFailed[] = L"[Error %d]Failed to move src file: %s";
inline constexpr wchar_t kLogCopied[] = L"Copied [%s] to [%s]";
inline constexpr wchar_t kLogCopyExists[] = L"Copy failed, [%s] already exists.";
inline constexpr wchar_t kLogCopyFailed[] = L"[Error %d]Failed to copy src file: %s, FailIfExist:%d";
inline constexpr wchar_t kLogSetAttributes[] = L"Set attibutes (%d) to file: %s";
inline constexpr wchar_t kLogSetAttributesFailed[] = L"[Error %d]Failed to set attibutes (%d) to file: %s";
inline constexpr wchar_t kLogRunningApp[] = L"Running App: %s (Wait:%d, Delete:%d)";
inline constexpr wchar_t kLogSleeping[] = L"Sleeping for %d ms";
inline constexpr wchar_t kLogDirCreated[] = L"Directory created: %s";
inline constexpr wchar_t kLogCreateDirFailed[] = L"[Error %d]Failed to create directory: %s";
inline constexpr wchar_t kLogRebootExternal[] = L"qzrCEInstall Finished! -- Calling external reboot application";
inline constexpr wchar_t kLogResetFileFailed[] = L"FAILURE::Could not create \"\\Windows\\__resetmeplease__.txt\"";

// Log lines of the section readers and the uninstall files.
inline constexpr wchar_t kLogLocatingSection[] = L"Locating INI Section";
inline constexpr wchar_t kLogLocatingRegRemovals[] = L"Locating INI Section Reg Removals";
inline constexpr wchar_t kLogReturnedFromSection[] = L"Returned from Locating INI Section";
inline constexpr wchar_t kLogLocatingUninstallCommands[] = L"Locating INI Section (Uninstall_Commands)";
inline constexpr wchar_t kLogLocatingRemovals[] = L"Locating INI Section Uninstall_Removals";
inline constexpr wchar_t kLogEnterGetUninstallInfo[] = L"Entering GetUninstallInfo()";
inline constexpr wchar_t kLogNoExitApp[] = L"No Exit App found";

// Log lines of zip extraction.
inline constexpr wchar_t kLogLookingForZip[] = L"Looking For Zip file in %s, extracting to %s";
inline constexpr wchar_t kLogNoZip[] = L"No zip file(s) found in %s";
inline constexpr wchar_t kLogZipContext[] = L"%s - %s";
inline constexpr wchar_t kZipContextPrefix[] = L"Extracting ";
inline constexpr wchar_t kZipCriticalError[] = L"Critical Error:\r\n\r\n";
inline constexpr wchar_t kZipIncomplete[] = L"\r\n\r\nInstallation incomplete";
inline constexpr wchar_t kZipExtractError[] = L"Critical error extracting file: ";
inline constexpr wchar_t kZipExtractErrorSeparator[] = L" -- ";
inline constexpr wchar_t kLogNotOverwriting[] = L"Not overwriting %s";
inline constexpr wchar_t kLogExtracted[] = L"...Extracted: %s.";

}  // namespace qzrsetup
