// SPDX-License-Identifier: GPL-3.0-or-later
// For Windows tests of the hidden mark: what a file set to hidden alone reads
// back as in a folder. Windows gives FILE_ATTRIBUTE_HIDDEN; Wine adds
// FILE_ATTRIBUTE_ARCHIVE to every file and keeps the hidden mark in the
// file's user.DOSATTRIB extended attribute, so on a Linux file system
// without those it keeps no mark at all.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

namespace miravel::testing_support {

// The attributes of a probe file in `folder` once set to hidden alone, or
// INVALID_FILE_ATTRIBUTES when no file could be made there. The probe is
// deleted.
inline DWORD HiddenAloneReadsAs(const std::string& folder) {
  const std::string probe = folder + "\\miravel-hidden-probe-" + std::to_string(GetCurrentProcessId()) + ".ini";
  const HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return INVALID_FILE_ATTRIBUTES;
  CloseHandle(h);
  SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_HIDDEN);
  const DWORD attributes = GetFileAttributesA(probe.c_str());
  SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(probe.c_str());
  return attributes;
}

// Whether the file system of `folder` keeps the hidden mark.
inline bool KeepsHiddenMark(const std::string& folder) {
  const DWORD attributes = HiddenAloneReadsAs(folder);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

}  // namespace miravel::testing_support

#endif  // _WIN32
