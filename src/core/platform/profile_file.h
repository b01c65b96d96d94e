// SPDX-License-Identifier: GPL-3.0-or-later
// The profile-file service: INI-style files of named sections holding
// key=value lines, read and written by section and key.
//
// Reading follows the platform's INI service, so that files it made read the
// way it reads them:
//  - "[name]" starts a section; "key=value" lines belong to the section above;
//    LF or CR LF ends a line; lines whose first non-blank byte is ";" are
//    comments; other lines are ignored;
//  - spaces and tabs around section names, keys and values are not part of
//    them; a value wrapped in one pair of matching double or single quotes
//    loses them;
//  - names match without regard to letter case (Latin and the Cyrillic
//    letters of Windows-1251); the first matching section and the first
//    matching key win;
//  - values are bytes, passed through unconverted, at most kMaxValue of them
//    per read (longer values are cut); a NUL byte is data like any other;
//  - a missing file, section or key gives the default: reads never fail.
//
// Writing keeps every value byte for byte, which the platform service does
// not: a value that holds CR, LF or NUL is stored in an escaped form that
// starts with a NUL byte, a form the platform service can never produce:
//     key=<NUL>"<bytes with \\ \r \n \0 escaped>"
// A value with blanks at either end, or wrapped in matching quotes, is stored
// inside one more pair of double quotes, which the platform reads back the
// same way. Every other value is stored plain, as key=value.
//
// A write replaces the whole file in one step (a new file written beside it,
// then renamed over it), so a failed write never leaves a half-written file.
//
// Each ProfileFile keeps a parsed index of its file and checks on every call
// (size, modification and change times with nanoseconds, file identity)
// whether the file changed on disk, so a read is a lookup, not a parse, and
// still sees the file's current content.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp1251.h"

namespace miravel {

// The error of a failed write: "Unable to write to <path>".
class ProfileWriteError : public std::runtime_error {
 public:
  explicit ProfileWriteError(const std::string& path);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Longest value a read returns, in bytes.
inline constexpr std::size_t kMaxValue = 2047;

class ProfileDocument;

// An INI-style file bound to a full path. Binding touches no file.
class ProfileFile {
 public:
  explicit ProfileFile(std::string path);
  ~ProfileFile();
  ProfileFile(ProfileFile&&) noexcept;
  ProfileFile& operator=(ProfileFile&&) noexcept;
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  // The path as given (the operating system's own bytes).
  const std::string& Path() const { return path_; }

  // The value of the key, or `def` when the file, the section or the key is
  // missing.
  Text ReadText(std::string_view section, std::string_view key, std::string_view def) const;
  // The value taken as an integer: leading blanks, at most one sign, then
  // decimal digits or "$", "x", "X", "0x", "0X" and hexadecimal digits. Out of
  // range, empty, missing or junk gives `def`; eight hex digits from 8 up
  // stand for the negative number with that 32-bit pattern.
  std::int32_t ReadNumber(std::string_view section, std::string_view key, std::int32_t def) const;
  // The value, or nothing when the key is missing: the presence test.
  std::optional<Text> Find(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;

  // The file's content as it is now, for a group of reads that belong
  // together (showing one question): one check of the file serves them all.
  // Valid until the next call on this object.
  const ProfileDocument& Snapshot() const;

  // Sets the value, adding the section (at the end of the file) and the key
  // (at the end of its section) when missing, and creating the file when it
  // does not exist. Everything else in the file stays as it was.
  // Throws ProfileWriteError.
  void WriteText(std::string_view section, std::string_view key, std::string_view value);
  // WriteText of the value in decimal.
  void WriteNumber(std::string_view section, std::string_view key, std::int32_t value);

  // A key and its value, for WriteTexts.
  struct Entry {
    std::string_view key;
    std::string_view value;
  };
  // Sets several keys of one section, in the given order, with the result of
  // that many WriteText calls, but in one replacement of the file: either all
  // of them reach the file or none does. No entries: nothing is written.
  // Throws ProfileWriteError.
  void WriteTexts(std::string_view section, std::span<const Entry> entries);

 private:
  std::string path_;
  struct Cache;
  std::unique_ptr<Cache> cache_;
};

// The integer reading of ReadNumber, on a value already read.
std::optional<std::int32_t> ParseProfileNumber(std::string_view value);

// The parsed content of one profile file, kept in memory: what ProfileFile
// reads from and edits. Also usable on its own to build a file from nothing
// and save it in one step.
class ProfileDocument {
 public:
  ProfileDocument();
  explicit ProfileDocument(std::string content);
  ~ProfileDocument();
  ProfileDocument(ProfileDocument&&) noexcept;
  ProfileDocument& operator=(ProfileDocument&&) noexcept;

  std::optional<Text> Find(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  // The names of the file's sections in file order, as they stand between the
  // brackets (blanks around them dropped); the lines before the first section
  // are not one. Valid until the document changes.
  std::vector<std::string_view> SectionNames() const;
  // The same editing rules as ProfileFile::WriteText, in memory.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  // The file's bytes.
  const std::string& Content() const;

  // Writes the content to `path`, replacing any file there in one step.
  // Throws ProfileWriteError.
  void SaveAs(const std::string& path) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// How a value is stored after "key=" (plain, quoted or escaped; see above).
std::string EncodeProfileValue(std::string_view value);

}  // namespace miravel
