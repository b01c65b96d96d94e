// SPDX-License-Identifier: GPL-3.0-or-later
// `miravel-make --set-report-password`: sets the report password of this
// computer's site configuration (site/site_config.h).
//
// The new password is asked twice on the terminal, without echo; with
// --password-stdin it is read once, as the first line of standard input, so
// that a script can set it without a terminal and without putting it on a
// command line (where every user sees it in the process list). It must not
// be empty, must be valid UTF-8 and may hold only characters that the
// password window can take (those with a Windows-1251 form, no control
// characters). Its hash (Argon2id, libsodium's crypto_pwhash_str) replaces
// the [report] password line of the file; every other line stays. The file
// is replaced in one step: a new file is written beside it, flushed to disk
// and renamed over it, mode 0644, owned by root when root runs the command;
// its folder is made (0755) when missing.
//
// The edit is made under a lock on the companion file FILE.lock (waited for
// at most 5 s), on the file as it is then: a change made to it while the
// password was typed and hashed stays. If that change set the password
// itself (another miravel-make at the same time), nothing is changed and the
// command fails, so that of two runs at once only one says it succeeded.
//
// The system's file (/etc/miravel/miravel.conf) is written only by root;
// --config FILE sets the password in another file, for any user.
#pragma once

#include <optional>
#include <string>

namespace miravel::make {

struct PasswordSetting {
  std::optional<std::string> config;  // the file; the system's when nothing
  bool from_stdin = false;  // --password-stdin
};

// The part of `miravel-make --help` about it, in the user's language.
std::string PasswordSettingHelp();

// Carries the setting out; the process exit status: 0 set, 1 not set (the
// reason is on standard error).
int SetReportPassword(const PasswordSetting& setting);

}  // namespace miravel::make
