// SPDX-License-Identifier: GPL-3.0-or-later
// The site configuration: what the administrator of a classroom's computers
// sets for every run on them. One file, readable by everyone and written by
// administrators only:
//   Linux    /etc/miravel/miravel.conf
//   Windows  %ProgramData%\Miravel\miravel.conf
//
// Its format (UTF-8; a BOM is allowed; LF or CR LF line ends):
//
//   # Lines whose first non-blank character is "#" or ";" are comments.
//   [report]
//   password = $argon2id$v=19$m=65536,t=2,p=1$...
//   [results]
//   folder = /srv/miravel/results
//
//  - "[name]" starts a section; "key = value" sets a key of the section it
//    stands in. Blanks around names and values are dropped; the value is
//    the rest of the line as it is (no quotes, no comment after it).
//    Section and key names are matched without regard to Latin letter case.
//  - [report] password: the report password's hash, as
//    `miravel-make --set-report-password` writes it (Argon2id, from
//    libsodium's crypto_pwhash_str). Without it the built-in password holds.
//  - [results] folder: the folder of the class results log, a full path.
//  - Unknown sections and keys are ignored, each with a warning (the program
//    writes it to its standard error, miravel-make to the terminal), so that
//    a newer file still works with an older program.
//
// No file: no configuration, the built-in password holds. A file that exists
// but cannot be used (it cannot be read, is no regular file, has a line that
// is none of the above, sets a key twice, or holds a malformed hash or
// folder) is broken: the run then refuses every report password, never
// falling back to the built-in one, and the program says once at start-up
// what is wrong. The folder of a sound [results] line is used all the same.
//
// The file is trusted only as root wrote it, as sshd trusts its key files:
// it must belong to root and be writable by nobody else, and so must every
// folder above it (a folder that others may write into must have the
// sticky bit, so that they cannot remove or replace root's file). On
// Windows the owner must be the Administrators group, SYSTEM or
// TrustedInstaller, and its DACL may let nobody else write, delete it or
// change its permissions. A file that fails this is broken; so is one larger
// than kMaxFileSize (it is not read), and a hash whose costs are out of
// bounds (run::HashCostWithinBounds) or that the empty password matches.
// A file in a folder that others may change is broken even when it is
// missing, since then anyone could have removed it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/report_password.h"

namespace miravel::site {

struct SiteConfig {
  // Which password unlocks the report.
  run::ReportPassword report_password;
  // Where the class results log goes, when the file names a folder.
  std::optional<std::filesystem::path> results_folder;
};

// What makes a file broken.
enum class ProblemKind {
  kUnreadable,  // it exists but cannot be read (permission, read error)
  kNotRegularFile,  // a folder, FIFO, device...
  kMalformedLine,  // a line that is no comment, section or "key = value", or not UTF-8
  kRepeatedKey,  // a key set a second time
  kMalformedHash,  // [report] password is no password hash
  kNoHashSupport,  // a hash is set, but this build cannot check hashes
  kMalformedFolder,  // [results] folder is empty or no full path
  kNotRootsFile,  // it belongs to another user than root (Windows: than the administrators)
  kWritableByOthers,  // others than root may change it (Windows: than the administrators)
  kLooseFolder,  // a folder above it that others than root may change
  kTooLarge,  // larger than kMaxFileSize
  kHashCost,  // the hash's costs are out of bounds
  kEmptyPasswordHash,  // the hash is one of the empty password
};

// The largest configuration file read: a few settings take a few hundred
// bytes.
inline constexpr std::size_t kMaxFileSize = std::size_t{64} * 1024;

struct Problem {
  ProblemKind kind;
  std::size_t line = 0;  // 1-based; 0 for the file as a whole
  friend bool operator==(const Problem&, const Problem&) = default;
};

// A section or key that the program ignores, at the line that names it.
struct Ignored {
  std::size_t line = 0;  // 1-based
  std::string section;  // the unknown section, or the section of the unknown key ("report", "results")
  std::string key;  // the unknown key; empty for an unknown section
  friend bool operator==(const Ignored&, const Ignored&) = default;
};

struct LoadResult {
  bool found = false;  // a file is there (sound or not)
  SiteConfig config;
  // The first problem, when the file is broken: config.report_password
  // then refuses every password.
  std::optional<Problem> problem;
  // The ignored sections and keys, in line order, and the warning about
  // each in English ("line 4: unknown key "colour" in [report], ignored").
  std::vector<Ignored> ignored;
  std::vector<std::string> warnings;
};

// Where this computer's configuration is (the system's path bytes; on
// Windows, in the ANSI code page). Empty on Windows when the ProgramData
// folder cannot be found.
std::string DefaultPath();

// Reads the configuration at `path`. Only a regular file is read; a FIFO or a
// device is never opened for reading, and of a file larger than
// kMaxFileSize no more than that is read.
LoadResult Load(const std::string& path);

// The configuration that the text of a file holds.
LoadResult Parse(std::string_view text);

// The problem in English, for the command line and logs: "line 3: ...".
std::string Describe(const Problem& problem);

// The warning about an ignored section or key in English: "line 4: ...".
std::string Describe(const Ignored& ignored);

// The text of a configuration file with the report password hash set to
// `hash`: the first password line of [report] gets the new value and later
// ones go; a file without one gets it right under its first [report]
// heading, or at its end in a new [report] section. Every other line stays as it was. Fails, giving the problem,
// on a file with a malformed line.
struct EditResult {
  std::string text;
  std::optional<Problem> problem;
};
EditResult WithReportPasswordHash(std::string_view text, std::string_view hash);

}  // namespace miravel::site
