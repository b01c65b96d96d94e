// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/report_password.h"

#include <algorithm>
#include <cstring>
#include <utility>

#ifdef MIRAVEL_PASSWORD_HASHES
#include <sodium.h>
#endif

namespace miravel::run {

#ifdef MIRAVEL_PASSWORD_HASHES

namespace {

// libsodium is set up once, at the first use (sodium_init may be called
// again, but chooses its code paths only the first time).
bool SodiumReady() {
  static const bool kReady = sodium_init() >= 0;
  return kReady;
}

// The hash as libsodium takes it: NUL-terminated within
// crypto_pwhash_STRBYTES bytes. Nothing for a longer one or one holding a NUL.
struct HashBuffer {
  char text[crypto_pwhash_STRBYTES] = {};
  bool Fill(std::string_view hash) {
    if (hash.size() >= sizeof text || hash.find('\0') != std::string_view::npos) return false;
    if (!hash.empty()) std::memcpy(text, hash.data(), hash.size());
    return true;
  }
};

}  // namespace

bool PasswordHashesAvailable() { return SodiumReady(); }

bool IsPasswordHash(std::string_view hash) {
  HashBuffer buffer;
  if (!SodiumReady() || !buffer.Fill(hash)) return false;
  // The hash proper is the last field: 32 bytes, 43 characters of unpadded
  // base64, as crypto_pwhash_str writes it. A shorter one may still decode
  // (depending on its last character's bits), so a cut hash is told by its
  // length rather than left to the decoder.
  const std::size_t last_field = hash.rfind('$');
  if (last_field == std::string_view::npos || hash.size() - last_field - 1 != 43) return false;
  // needs_rehash decodes the whole string (algorithm, version, limits, salt
  // and hash) and answers -1 when it is no hash it can check.
  return crypto_pwhash_str_needs_rehash(buffer.text, crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != -1;
}

std::optional<std::string> HashPassword(std::string_view password) {
  if (!SodiumReady()) return std::nullopt;
  char out[crypto_pwhash_STRBYTES] = {};
  if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    return std::nullopt;
  return std::string(out);
}

namespace {
bool Verify(const std::string& hash, const Text& typed) {
  HashBuffer buffer;
  if (!SodiumReady() || !buffer.Fill(hash)) return false;
  const std::string utf8 = cp1251::ToUtf8(typed);
  return crypto_pwhash_str_verify(buffer.text, utf8.data(), utf8.size()) == 0;
}
}  // namespace

#else  // built without libsodium: no hash is checked, none is made

bool PasswordHashesAvailable() { return false; }
bool IsPasswordHash(std::string_view) { return false; }
std::optional<std::string> HashPassword(std::string_view) { return std::nullopt; }

namespace {
bool Verify(const std::string&, const Text&) { return false; }
}  // namespace

#endif

ReportPassword ReportPassword::Hash(std::string hash) {
  ReportPassword rule;
  rule.kind_ = Kind::kHash;
  rule.hash_ = std::move(hash);
  return rule;
}

ReportPassword ReportPassword::RefuseAll() {
  ReportPassword rule;
  rule.kind_ = Kind::kRefuseAll;
  return rule;
}

std::optional<HashCost> HashCostOf(std::string_view hash) {
  // "$argon2id$v=19$m=65536,t=2,p=1$salt$hash" (the version may be missing).
  for (const std::string_view scheme : {std::string_view("$argon2id$"), std::string_view("$argon2i$")}) {
    if (hash.substr(0, scheme.size()) != scheme) continue;
    std::string_view rest = hash.substr(scheme.size());
    if (rest.substr(0, 2) == "v=") {
      const auto end = rest.find('$');
      if (end == std::string_view::npos) return std::nullopt;
      rest.remove_prefix(end + 1);
    }
    HashCost cost;
    // Each of "m=", "t=", "p=" in that order, a decimal number, then "," or "$".
    for (const auto& [name, value] : {std::pair{'m', &cost.m_kib}, std::pair{'t', &cost.t}, std::pair{'p', &cost.p}}) {
      if (rest.size() < 3 || rest[0] != name || rest[1] != '=') return std::nullopt;
      rest.remove_prefix(2);
      std::size_t digits = 0;
      std::uint64_t number = 0;
      while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') {
        if (digits == 19) return std::nullopt;  // beyond any cost
        number = number * 10 + static_cast<std::uint64_t>(rest[digits] - '0');
        ++digits;
      }
      if (digits == 0 || digits == rest.size()) return std::nullopt;
      *value = number;
      const char after = rest[digits];
      if (after != (name == 'p' ? '$' : ',')) return std::nullopt;
      rest.remove_prefix(digits + 1);
    }
    return cost;
  }
  return std::nullopt;
}

bool HashCostWithinBounds(const HashCost& cost) {
  return cost.t >= kMinHashPasses && cost.t <= kMaxHashPasses && cost.m_kib >= kMinHashMemoryKib &&
         cost.m_kib <= kMaxHashMemoryKib;
}

std::chrono::milliseconds WrongPasswordWait(std::int64_t wrong_in_a_row) {
  constexpr std::int64_t kFirstSlowed = 5;
  constexpr std::chrono::milliseconds kFirstWait{1000};
  constexpr std::chrono::milliseconds kLongestWait{30000};
  if (wrong_in_a_row < kFirstSlowed) return std::chrono::milliseconds::zero();
  // 1 s << 5 is above the longest wait already: no shift goes further.
  const std::int64_t doublings = std::min<std::int64_t>(wrong_in_a_row - kFirstSlowed, 5);
  return std::min(kFirstWait * (std::int64_t{1} << doublings), kLongestWait);
}

PasswordTries::Clock::duration PasswordTries::WaitLeft(Clock::time_point now) const {
  return now >= next_try_ ? Clock::duration::zero() : next_try_ - now;
}

bool PasswordTries::Begin(Clock::time_point now) {
  if (!Ready(now)) return false;
  checking_ = true;
  abandoned_ = false;
  return true;
}

bool PasswordTries::Finish(bool accepted, Clock::time_point now) {
  checking_ = false;
  const bool abandoned = std::exchange(abandoned_, false);
  if (accepted) {
    if (abandoned) return false;
    wrong_in_a_row_ = 0;
    next_try_ = {};
    return true;
  }
  ++wrong_in_a_row_;
  next_try_ = now + WrongPasswordWait(wrong_in_a_row_);
  return true;
}

bool ReportPassword::Accepts(const Text& typed) const {
  switch (kind_) {
    case Kind::kBuiltIn: return typed == kBuiltInReportPassword;
    case Kind::kHash: return Verify(hash_, typed);
    case Kind::kRefuseAll: return false;
  }
  return false;
}

}  // namespace miravel::run
