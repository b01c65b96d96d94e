// SPDX-License-Identifier: GPL-3.0-or-later
// The rule by which the run decides whether the text typed into the password
// window unlocks the report.
//
// Three rules:
//  - the built-in password, "407152": the same in every copy of the program
//    and printed in its manual, so it is no secret. It is the rule when the
//    computer has no site configuration;
//  - a hash set by the administrator (`miravel-make --set-report-password`
//    writes it into the site configuration): an Argon2id string as
//    libsodium's crypto_pwhash_str makes it. The typed Windows-1251 text is
//    turned into UTF-8 and checked with crypto_pwhash_str_verify, so that a
//    password typed on the tool's terminal (UTF-8) and in the window agree;
//  - refuse every password: the site configuration exists but is broken, and
//    a broken configuration must not open the report to anyone.
// A refused password is a wrong password: the run goes on as it does for any
// wrong one.
//
// Wrong passwords slow down: from the fifth wrong one in a row, the window
// waits before it takes the next (WrongPasswordWait), so that trying every
// six-digit password through it takes months. A right password is checked
// at once; its verdict is never held back.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/cp1251.h"

namespace miravel::run {

// The password that the program is built with.
inline constexpr std::string_view kBuiltInReportPassword = "407152";

class ReportPassword {
 public:
  enum class Kind { kBuiltIn, kHash, kRefuseAll };

  // The built-in password.
  ReportPassword() = default;
  static ReportPassword BuiltIn() { return {}; }
  // The passwords whose hash is `hash`. A string that is no password hash
  // (see IsPasswordHash) matches no password.
  static ReportPassword Hash(std::string hash);
  static ReportPassword RefuseAll();

  Kind kind() const { return kind_; }
  // The hash of the kHash rule; empty for the others.
  const std::string& hash() const { return hash_; }

  // Whether `typed`, the Windows-1251 text of the password window, unlocks
  // the report. The built-in password is compared byte for byte: nothing is
  // trimmed or folded. A hash is checked against the typed text in UTF-8.
  bool Accepts(const Text& typed) const;

 private:
  Kind kind_ = Kind::kBuiltIn;
  std::string hash_;
};

// Whether this build checks and makes password hashes (it is built with
// libsodium). Without it, a kHash rule refuses every password.
bool PasswordHashesAvailable();

// Whether `hash` is a password hash that Accepts can check: an Argon2id (or
// Argon2i) string in the form crypto_pwhash_str makes, shorter than
// crypto_pwhash_STRBYTES, with sound parameters. False in a build without
// password hashes.
bool IsPasswordHash(std::string_view hash);

// The costs that a hash names, as crypto_pwhash_str writes them: t passes
// over m KiB of memory in p lanes.
struct HashCost {
  std::uint64_t t = 0;
  std::uint64_t m_kib = 0;
  std::uint64_t p = 0;
};
// The costs of an Argon2 hash string; nothing when it names none.
std::optional<HashCost> HashCostOf(std::string_view hash);

// The costs that the site configuration may name. A check costs about t × m:
// libsodium's "interactive" limits (t = 2, 64 MiB), which HashPassword uses,
// took 0.24 s here, and its "moderate" ones (t = 3, 256 MiB) 0.85 s. The
// bounds take in both and what lies between, with room for the common
// choices of other tools (RFC 9106's t = 3 or 4 over 64 MiB), and stop
// before a check that holds the teacher for seconds or asks a classroom
// computer for more memory than it can spare; below 16 MiB a hash is too
// cheap to guess against.
inline constexpr std::uint64_t kMinHashPasses = 1;
inline constexpr std::uint64_t kMaxHashPasses = 4;
inline constexpr std::uint64_t kMinHashMemoryKib = std::uint64_t{16} * 1024;
inline constexpr std::uint64_t kMaxHashMemoryKib = std::uint64_t{256} * 1024;
bool HashCostWithinBounds(const HashCost& cost);

// How hard a new hash is to compute: libsodium's "interactive" limits
// (Argon2id, 2 passes over 64 MiB). The check runs when OK is pressed in the
// password window, and must not hold the window up: with these limits it
// took 0.24 s of processor time on a 2-core machine, against 0.85 s with
// the "moderate" ones (3 passes over 256 MiB). The hash string names its own
// limits, so hashes made with other limits are checked as well.
// The hash of the UTF-8 text `password`, with a fresh random salt; nothing
// when hashing fails (too little memory) or the build has no password hashes.
std::optional<std::string> HashPassword(std::string_view password);

// How long the window waits, after `wrong_in_a_row` wrong passwords in a
// row, before it takes the next one: nothing after the first four; after the
// fifth 1 s, doubling with each further one up to 30 s, which holds from the
// tenth on.
std::chrono::milliseconds WrongPasswordWait(std::int64_t wrong_in_a_row);

// The tries at the report password in one run: the wrong ones in a row, the
// check under way (checks run beside the window), and the wait before the
// next try. Times are of the steady clock.
class PasswordTries {
 public:
  using Clock = std::chrono::steady_clock;

  // Whether a try may start at `now`: no check is under way and the wait
  // after the last wrong one is over.
  bool Ready(Clock::time_point now) const { return !checking_ && now >= next_try_; }
  bool checking() const { return checking_; }
  // What is left of the wait at `now`; zero when there is none.
  Clock::duration WaitLeft(Clock::time_point now) const;
  std::int64_t wrongInARow() const { return wrong_in_a_row_; }

  // A check starts. False, starting nothing, when no try may start at `now`.
  bool Begin(Clock::time_point now);
  // The window was closed while a check was under way: a right verdict of
  // that check shows no report.
  void Abandon() { abandoned_ = checking_; }
  // The check has ended at `now` with `accepted`. A wrong password is
  // counted and sets the wait; a right one ends the count. Returns whether
  // the verdict stands for the window (false for a right one of an
  // abandoned check).
  bool Finish(bool accepted, Clock::time_point now);

 private:
  std::int64_t wrong_in_a_row_ = 0;
  bool checking_ = false;
  bool abandoned_ = false;
  Clock::time_point next_try_{};
};

}  // namespace miravel::run
