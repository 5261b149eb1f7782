// INI text file access for menu.ini: no cache, every read scans the file from the top and
// every write rewrites the whole file through a temporary copy in the same folder.
#pragma once

#include <cstdio>
#include <string>

namespace qzr {

inline constexpr size_t kIniLineChars = 400;  // line buffers; a line is read in pieces of 398 characters

// Rewinds `in`, finds the section line; copies every line read to `out` when given. 1 found, 0 not.
int FindIniSection(FILE* in, const wchar_t* section, FILE* out = nullptr);

// Fills `result` (n characters, always terminated) with the value or the default; returns its length.
int ReadIniString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, wchar_t* result, size_t n,
                  const wchar_t* path);
// Convenience over ReadIniString with a 400-character buffer.
std::wstring ReadIniValue(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, const wchar_t* path);

// 1 when the trimmed value equals "TRUE" (any case), otherwise `defaultValue`.
int ReadIniBool(const wchar_t* key, const wchar_t* section, const wchar_t* path, int defaultValue);

// 1 when the file was rewritten with section/key set to value, 0 (file unchanged) otherwise.
int WriteIniString(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* path);

// A new temporary file ("TmpCpyIni") in the file's folder or an enclosing one; 1 or 0.
int MakeIniTempFileName(const wchar_t* path, wchar_t* result /* 260 characters */);

}  // namespace qzr
