// SPDX-License-Identifier: GPL-3.0-or-later
// What a run needs of the operating system beyond profile files: the user's
// profile folder, today's date in the system's short date form, whether a
// file exists, deleting it, marking it hidden, and a random number.
//
// Everything goes through one interface, so that tests can put a fake in the
// place of the real system. All texts are the operating system's own bytes
// (Windows-1251 on Windows, as the ANSI functions give them).
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace miravel::os {

class Services {
 public:
  virtual ~Services() = default;

  // The user's profile (home) folder, or an empty text when it cannot be
  // found. On Windows the shell's profile folder (created if missing); on
  // Linux $HOME when it is set to an absolute path, otherwise the home folder
  // of the account database entry of the real user.
  virtual std::string ProfileFolder() = 0;

  // Today's local date in the system's short date form, with the separators
  // that form uses ("08.12.2026", "12/8/2026", "12/08/26"...); empty when the
  // system gives none. On Linux the date format of the user's time locale
  // (LC_ALL, LC_TIME, LANG), read without changing the program's locale.
  virtual std::string ShortDateText() = 0;

  // Whether a file (not a folder) exists at `path`.
  virtual bool FileExists(const std::string& path) = 0;
  // Deletes the file at `path`. A failure is not reported.
  // (Not named DeleteFile: windows.h makes that name a macro.)
  virtual void RemoveFile(const std::string& path) = 0;
  // Sets the file's attributes to "hidden" alone, clearing any other. Linux
  // has no such mark, and there nothing is done. A failure is not reported.
  virtual void SetHidden(const std::string& path) = 0;

  // Creates an empty file at `path` only if nothing is there (an exclusive
  // create), readable and writable by the user alone: whoever creates it
  // owns the name. kTaken when something is already there.
  enum class Creation { kCreated, kTaken, kFailed };
  virtual Creation CreateExclusive(const std::string& path) = 0;

  // What `folder` holds, in one listing: every entry's name, and whether it
  // is a regular file (not a folder, link, FIFO...). Empty when it cannot be
  // listed.
  struct FolderEntry {
    std::string name;
    bool regular = false;
  };
  virtual std::vector<FolderEntry> FolderEntries(const std::string& folder) = 0;
  // Whether a process with this id is running now.
  virtual bool ProcessRunning(std::uint64_t pid) = 0;
  // This process's id.
  virtual std::uint64_t ProcessId() = 0;

  // A pseudo-random number from 0 to bound - 1 (0 when bound is 0).
  virtual unsigned Random(unsigned bound) = 0;

 protected:
  Services() = default;
  Services(const Services&) = default;
  Services& operator=(const Services&) = default;
};

// The real operating system. The random generator is seeded once, from the
// clock, when the object is made.
class SystemServices : public Services {
 public:
  SystemServices();

  std::string ProfileFolder() override;
  std::string ShortDateText() override;
  bool FileExists(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void SetHidden(const std::string& path) override;
  Creation CreateExclusive(const std::string& path) override;
  std::vector<FolderEntry> FolderEntries(const std::string& folder) override;
  bool ProcessRunning(std::uint64_t pid) override;
  std::uint64_t ProcessId() override;
  unsigned Random(unsigned bound) override;

 private:
  std::mt19937 generator_;
};

// The process-wide SystemServices, made on first use.
Services& System();

}  // namespace miravel::os
