// SPDX-License-Identifier: GPL-3.0-or-later
#include "site/site_config.h"

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/cp1251.h"

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#include <knownfolders.h>
#include <shlobj.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace miravel::site {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kReportSection = "report";
constexpr std::string_view kPasswordKey = "password";
constexpr std::string_view kResultsSection = "results";
constexpr std::string_view kFolderKey = "folder";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool IsUtf8(std::string_view s) {
  for (std::size_t at = 0; at < s.size();) {
    const auto c = cp1251::DecodeUtf8At(s, at);
    if (!c) return false;
    at += c->length;
  }
  return true;
}

// Names are matched without regard to Latin letter case.
bool NameIs(std::string_view name, std::string_view expected) {
  if (name.size() != expected.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != expected[i]) return false;
  }
  return true;
}

// Whether `path` is a full path of this system. On Windows a share's UNC
// path (\\server\share\...) is one too, though the C++ library (libstdc++)
// counts only a drive's path (C:\...) as absolute; a device path (\\.\...)
// is none.
bool IsFullPath(const std::filesystem::path& path) {
  if (path.is_absolute()) return true;
#ifdef _WIN32
  const std::wstring& text = path.native();
  const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (text.size() < 5 || !separator(text[0]) || !separator(text[1]) || separator(text[2])) return false;
  const std::size_t server_end = text.find_first_of(L"\\/", 2);
  if (server_end == std::wstring::npos || server_end + 1 >= text.size() || separator(text[server_end + 1]))
    return false;
  const std::wstring_view server = std::wstring_view(text).substr(2, server_end - 2);
  return server != L"." && server != L"?";
#else
  return false;
#endif
}

// One line of the file, without its end.
struct Line {
  enum class Kind { kBlank, kSection, kKey, kMalformed };
  Line(Kind k, std::string_view n = {}, std::string_view v = {}) : kind(k), name(n), value(v) {}
  Kind kind;
  std::string_view name;  // of the section or key
  std::string_view value;
};

Line Classify(std::string_view content) {
  if (!IsUtf8(content) || content.find('\0') != std::string_view::npos) return Line(Line::Kind::kMalformed);
  const std::string_view text = Trim(content);
  if (text.empty() || text[0] == '#' || text[0] == ';') return Line(Line::Kind::kBlank);
  if (text[0] == '[') {
    if (text.back() != ']') return Line(Line::Kind::kMalformed);
    const std::string_view name = Trim(text.substr(1, text.size() - 2));
    if (name.empty() || name.find_first_of("[]") != std::string_view::npos) return Line(Line::Kind::kMalformed);
    return Line(Line::Kind::kSection, name);
  }
  const auto equals = text.find('=');
  if (equals == std::string_view::npos) return Line(Line::Kind::kMalformed);
  const std::string_view key = Trim(text.substr(0, equals));
  if (key.empty()) return Line(Line::Kind::kMalformed);
  return Line(Line::Kind::kKey, key, Trim(text.substr(equals + 1)));
}

// The lines of a text (after its BOM), each with its end ("\n", "\r\n", or
// nothing for a last line without one).
struct RawLine {
  std::string_view content;
  std::string_view end;
};
std::vector<RawLine> SplitLines(std::string_view text) {
  std::vector<RawLine> lines;
  while (!text.empty()) {
    const auto newline = text.find('\n');
    const std::size_t length = newline == std::string_view::npos ? text.size() : newline + 1;
    std::string_view whole = text.substr(0, length);
    text.remove_prefix(length);
    std::size_t end = 0;
    if (!whole.empty() && whole.back() == '\n') ++end;
    if (end == 1 && whole.size() >= 2 && whole[whole.size() - 2] == '\r') ++end;
    lines.push_back({whole.substr(0, whole.size() - end), whole.substr(whole.size() - end)});
  }
  return lines;
}

std::string_view WithoutBom(std::string_view text) {
  if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
  return text;
}

enum class Section { kNone, kReport, kResults, kOther };

Section SectionNamed(std::string_view name) {
  if (NameIs(name, kReportSection)) return Section::kReport;
  if (NameIs(name, kResultsSection)) return Section::kResults;
  return Section::kOther;
}

LoadResult Broken(ProblemKind kind) {
  LoadResult result;
  result.found = true;
  result.problem = Problem{kind, 0};
  result.config.report_password = run::ReportPassword::RefuseAll();
  return result;
}

// Whether there is something at `path`, found without reading it.
enum class Presence { kAbsent, kPresent, kUnknown };
Presence Look(const std::string& path) {
#ifdef _WIN32
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return Presence::kPresent;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Presence::kAbsent : Presence::kUnknown;
#else
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? Presence::kAbsent : Presence::kUnknown;
  // A link that leads nowhere is there, but cannot be read.
  return Presence::kPresent;
#endif
}

// The file's bytes, or why it cannot be used.
struct Read {
  std::string bytes;
  std::optional<ProblemKind> problem;
};

#ifdef _WIN32

// The accounts that may own and change the configuration: SYSTEM, the
// Administrators group and TrustedInstaller (the owner of system files).
bool IsAdministration(PSID sid) {
  if (sid == nullptr || !IsValidSid(sid)) return false;
  if (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return true;
  // NT SERVICE\TrustedInstaller: S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464.
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID trusted_installer = nullptr;
  if (!AllocateAndInitializeSid(&nt, 6, SECURITY_SERVICE_ID_BASE_RID, 956008885, 3418522649, 1831038044, 1853292631,
                                2271478464, 0, 0, &trusted_installer))
    return false;
  const bool equal = EqualSid(sid, trusted_installer) != 0;
  FreeSid(trusted_installer);
  return equal;
}

// Why the file open as `file` may be changed by others than the
// administration, from its security descriptor; nothing when it may not.
std::optional<ProblemKind> Untrusted(HANDLE file) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                      &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return ProblemKind::kUnreadable;
  const std::unique_ptr<void, HLOCAL (*)(HLOCAL)> free_descriptor(descriptor, LocalFree);
  if (!IsAdministration(owner)) return ProblemKind::kNotRootsFile;  // the owner may always change the permissions
  if (dacl == nullptr) return ProblemKind::kWritableByOthers;  // no DACL lets everyone do everything
  ACL_SIZE_INFORMATION size{};
  if (!GetAclInformation(dacl, &size, sizeof size, AclSizeInformation)) return ProblemKind::kUnreadable;
  // What changes the file, or who may use it: its content, its removal, its
  // permissions and owner.
  constexpr ACCESS_MASK kChanging =
      FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  for (DWORD i = 0; i < size.AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return ProblemKind::kUnreadable;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;  // for what is made inside, not for the file
    switch (header->AceType) {
      case ACCESS_DENIED_ACE_TYPE:
      case ACCESS_DENIED_OBJECT_ACE_TYPE:
      case ACCESS_DENIED_CALLBACK_ACE_TYPE:
      case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE: continue;  // takes rights away only
      case ACCESS_ALLOWED_ACE_TYPE: {
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        PSID trustee = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & kChanging) != 0 && !IsAdministration(trustee)) return ProblemKind::kWritableByOthers;
        continue;
      }
      default: {
        // Every other kind of entry has its mask right after its header; whom
        // it names is not read, so none of them may grant a change.
        const auto* mask = reinterpret_cast<const ACCESS_MASK*>(header + 1);
        if ((*mask & kChanging) != 0) return ProblemKind::kWritableByOthers;
      }
    }
  }
  return std::nullopt;
}

Read ReadTrusted(const std::string& path) {
  Read out;
  const HANDLE raw = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.problem = folder ? ProblemKind::kNotRegularFile : ProblemKind::kUnreadable;
    return out;
  }
  const std::unique_ptr<void, BOOL (*)(HANDLE)> handle(raw, CloseHandle);
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(raw) != FILE_TYPE_DISK || !GetFileInformationByHandle(raw, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    out.problem = ProblemKind::kNotRegularFile;
    return out;
  }
  if ((out.problem = Untrusted(raw))) return out;
  if (info.nFileSizeHigh != 0 || info.nFileSizeLow > kMaxFileSize) {
    out.problem = ProblemKind::kTooLarge;
    return out;
  }
  // One byte more than the bound: a file that grew past it is refused too.
  out.bytes.resize(kMaxFileSize + 1);
  std::size_t got = 0;
  while (got < out.bytes.size()) {
    DWORD n = 0;
    if (!ReadFile(raw, out.bytes.data() + got, static_cast<DWORD>(out.bytes.size() - got), &n, nullptr)) {
      out.problem = ProblemKind::kUnreadable;
      return out;
    }
    if (n == 0) break;
    got += n;
  }
  if (got > kMaxFileSize) out.problem = ProblemKind::kTooLarge;
  out.bytes.resize(got);
  return out;
}

// The folders above the file are left to the system's defaults: under
// ProgramData, users may make files in a folder but not remove an
// administrator's.
std::optional<ProblemKind> LooseFolder(const std::string&) { return std::nullopt; }

#else

// Why a file or folder with the status `st` may be changed by others than
// root; nothing when it may not.
std::optional<ProblemKind> Untrusted(const struct stat& st, ProblemKind writable) {
  if (st.st_uid != 0) return S_ISDIR(st.st_mode) ? writable : ProblemKind::kNotRootsFile;
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0) return std::nullopt;
  // In a sticky folder others may add files, but not remove or rename root's.
  if (S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0) return std::nullopt;
  return writable;
}

// Whether a folder above `path` may be changed by others than root. A
// folder that is missing is skipped: the one above it decides who may make
// it.
std::optional<ProblemKind> LooseFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::absolute(path, error).parent_path();
  if (error) return ProblemKind::kUnreadable;
  while (true) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
      if (const auto problem = Untrusted(st, ProblemKind::kLooseFolder)) return problem;
    } else if (errno != ENOENT && errno != ENOTDIR) {
      return ProblemKind::kUnreadable;
    }
    if (folder == folder.root_path() || !folder.has_parent_path() || folder.parent_path() == folder) break;
    folder = folder.parent_path();
  }
  return std::nullopt;
}

Read ReadTrusted(const std::string& path) {
  Read out;
  // O_NONBLOCK: opening a FIFO must not wait for a writer. What is checked
  // is the file open, so what is read is what was checked.
  const int raw = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (raw < 0) {
    struct stat st {};
    out.problem = ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) ? ProblemKind::kNotRegularFile
                                                                         : ProblemKind::kUnreadable;
    return out;
  }
  const std::unique_ptr<int, void (*)(int*)> fd(new int(raw), [](int* f) {
    ::close(*f);
    delete f;
  });
  struct stat st {};
  if (::fstat(raw, &st) != 0) {
    out.problem = ProblemKind::kUnreadable;
    return out;
  }
  if (!S_ISREG(st.st_mode)) {
    out.problem = ProblemKind::kNotRegularFile;
    return out;
  }
  if ((out.problem = Untrusted(st, ProblemKind::kWritableByOthers))) return out;
  if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) {
    out.problem = ProblemKind::kTooLarge;
    return out;
  }
  // One byte more than the bound: a file that grew past it is refused too.
  out.bytes.resize(kMaxFileSize + 1);
  std::size_t got = 0;
  while (got < out.bytes.size()) {
    const ssize_t n = ::read(raw, out.bytes.data() + got, out.bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      out.problem = ProblemKind::kUnreadable;
      return out;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > kMaxFileSize) out.problem = ProblemKind::kTooLarge;
  out.bytes.resize(got);
  return out;
}

#endif

}  // namespace

std::string DefaultPath() {
#ifdef _WIN32
  PWSTR folder = nullptr;
  const HRESULT found = SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &folder);
  std::wstring path = SUCCEEDED(found) && folder != nullptr ? folder : L"";
  CoTaskMemFree(folder);
  if (path.empty()) return {};
  path += L"\\Miravel\\miravel.conf";
  // The file functions take the ANSI code page; a path it cannot spell is
  // no path at all.
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), static_cast<int>(path.size()),
                                       nullptr, 0, nullptr, &lossy);
  if (size <= 0 || lossy) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), static_cast<int>(path.size()), bytes.data(), size,
                      nullptr, &lossy);
  return lossy ? std::string() : bytes;
#else
  return "/etc/miravel/miravel.conf";
#endif
}

LoadResult Load(const std::string& path) {
  // An unknown place cannot be told from a broken file.
  if (path.empty()) return Broken(ProblemKind::kUnreadable);
  // A folder that others may change makes any file in it, or none, suspect.
  if (const auto loose = LooseFolder(path)) return Broken(*loose);
  switch (Look(path)) {
    case Presence::kAbsent: return {};
    case Presence::kUnknown: return Broken(ProblemKind::kUnreadable);
    case Presence::kPresent: break;
  }
  const Read read = ReadTrusted(path);
  if (read.problem) return Broken(*read.problem);
  return Parse(read.bytes);
}

LoadResult Parse(std::string_view text) {
  LoadResult result;
  result.found = true;
  std::optional<std::string> hash;
  bool password_seen = false;
  bool folder_seen = false;
  Section section = Section::kNone;
  std::size_t number = 0;
  const auto fail = [&](ProblemKind kind) {
    if (!result.problem) result.problem = Problem{kind, number};
  };
  const auto ignore = [&](std::string_view section_name, std::string_view key) {
    result.ignored.push_back(Ignored{number, std::string(section_name), std::string(key)});
    result.warnings.push_back(Describe(result.ignored.back()));
  };
  for (const RawLine& raw : SplitLines(WithoutBom(text))) {
    ++number;
    const Line line = Classify(raw.content);
    switch (line.kind) {
      case Line::Kind::kBlank: break;
      case Line::Kind::kMalformed: fail(ProblemKind::kMalformedLine); break;
      case Line::Kind::kSection:
        section = SectionNamed(line.name);
        if (section == Section::kOther) ignore(line.name, {});
        break;
      case Line::Kind::kKey: {
        const bool password = section == Section::kReport && NameIs(line.name, kPasswordKey);
        const bool folder = section == Section::kResults && NameIs(line.name, kFolderKey);
        if (section == Section::kNone) {
          fail(ProblemKind::kMalformedLine);  // a key before any section
        } else if (section == Section::kOther) {
          // The section's warning says it all.
        } else if (!password && !folder) {
          ignore(section == Section::kReport ? kReportSection : kResultsSection, line.name);
        } else if (password ? password_seen : folder_seen) {
          fail(ProblemKind::kRepeatedKey);
        } else if (password) {
          password_seen = true;
          if (!run::PasswordHashesAvailable()) fail(ProblemKind::kNoHashSupport);
          else if (!run::IsPasswordHash(line.value)) fail(ProblemKind::kMalformedHash);
          else if (const auto cost = run::HashCostOf(line.value); !cost || !run::HashCostWithinBounds(*cost))
            fail(ProblemKind::kHashCost);
          else if (run::ReportPassword::Hash(std::string(line.value)).Accepts(Text()))
            fail(ProblemKind::kEmptyPasswordHash);
          else hash = std::string(line.value);
        } else {
          folder_seen = true;
          std::filesystem::path path(std::u8string(line.value.begin(), line.value.end()));
          if (line.value.empty() || !IsFullPath(path)) fail(ProblemKind::kMalformedFolder);
          else result.config.results_folder = std::move(path);
        }
        break;
      }
    }
  }
  if (result.problem) result.config.report_password = run::ReportPassword::RefuseAll();
  else if (hash) result.config.report_password = run::ReportPassword::Hash(std::move(*hash));
  return result;
}

std::string Describe(const Problem& problem) {
  std::string what;
  switch (problem.kind) {
    case ProblemKind::kUnreadable: what = "the file cannot be read"; break;
    case ProblemKind::kNotRegularFile: what = "not a regular file"; break;
    case ProblemKind::kMalformedLine:
      what = "not a comment, a \"[section]\" or a \"key = value\" line in a section (or not UTF-8)";
      break;
    case ProblemKind::kRepeatedKey: what = "the key is set a second time"; break;
    case ProblemKind::kMalformedHash:
      what = "the report password is not a password hash (set it with miravel-make --set-report-password)";
      break;
    case ProblemKind::kNoHashSupport: what = "a password hash is set, but this build cannot check hashes"; break;
    case ProblemKind::kMalformedFolder: what = "the results folder is not a full path"; break;
#ifdef _WIN32
    case ProblemKind::kNotRootsFile: what = "the file belongs to another user than the administrators"; break;
    case ProblemKind::kWritableByOthers: what = "others than the administrators may change the file"; break;
#else
    case ProblemKind::kNotRootsFile: what = "the file belongs to another user than root"; break;
    case ProblemKind::kWritableByOthers: what = "others than root may change the file"; break;
#endif
    case ProblemKind::kLooseFolder: what = "others than root may change a folder above the file"; break;
    case ProblemKind::kTooLarge: what = "the file is larger than 64 KiB"; break;
    case ProblemKind::kHashCost:
      what = "the report password hash costs too much or too little to check (t from 1 to 4, m from 16 to 256 MiB)";
      break;
    case ProblemKind::kEmptyPasswordHash: what = "the report password hash is that of an empty password"; break;
  }
  return problem.line == 0 ? what : "line " + std::to_string(problem.line) + ": " + what;
}

std::string Describe(const Ignored& ignored) {
  const std::string what = ignored.key.empty() ? "unknown section [" + ignored.section + "]"
                                               : "unknown key \"" + ignored.key + "\" in [" + ignored.section + "]";
  return "line " + std::to_string(ignored.line) + ": " + what + ", ignored";
}

EditResult WithReportPasswordHash(std::string_view text, std::string_view hash) {
  EditResult result;
  const std::string_view body = WithoutBom(text);
  result.text.assign(text.substr(0, text.size() - body.size()));
  const std::vector<RawLine> lines = SplitLines(body);
  // New lines end as the file's first line does.
  const std::string_view newline = !lines.empty() && lines.front().end == "\r\n" ? "\r\n" : "\n";
  const std::string password_line = std::string(kPasswordKey) + " = " + std::string(hash);
  // Where the new line goes: in place of the first password line of
  // [report], or else right under the first [report] heading.
  std::optional<std::size_t> target;
  bool target_replaces = false;
  Section section = Section::kNone;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line line = Classify(lines[i].content);
    if (line.kind == Line::Kind::kMalformed || (line.kind == Line::Kind::kKey && section == Section::kNone)) {
      result.problem = Problem{ProblemKind::kMalformedLine, i + 1};
      return result;
    }
    if (line.kind == Line::Kind::kSection) {
      section = SectionNamed(line.name);
      if (section == Section::kReport && !target) target = i;
    }
    if (line.kind == Line::Kind::kKey && section == Section::kReport && NameIs(line.name, kPasswordKey) &&
        !target_replaces) {
      target = i;
      target_replaces = true;
    }
  }
  section = Section::kNone;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const RawLine& raw = lines[i];
    const Line line = Classify(raw.content);
    if (line.kind == Line::Kind::kSection) section = SectionNamed(line.name);
    const bool password =
        line.kind == Line::Kind::kKey && section == Section::kReport && NameIs(line.name, kPasswordKey);
    if (i == target && target_replaces) {
      result.text.append(password_line).append(raw.end.empty() ? newline : raw.end);
      continue;
    }
    if (password) continue;  // a later one goes
    result.text.append(raw.content).append(raw.end);
    if (i == target) {
      if (raw.end.empty()) result.text.append(newline);
      result.text.append(password_line).append(newline);
    }
  }
  if (!target) {
    if (!result.text.empty() && result.text.back() != '\n') result.text.append(newline);
    if (lines.empty()) result.text.append("# Miravel's site configuration (man miravel).").append(newline);
    result.text.append("[").append(kReportSection).append("]").append(newline);
    result.text.append(password_line).append(newline);
  }
  return result;
}

}  // namespace miravel::site
