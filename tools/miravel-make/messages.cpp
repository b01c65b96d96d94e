// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages.h"

#if MIRAVEL_HAVE_GETTEXT
#include <libintl.h>

#include <clocale>
#include <filesystem>
#include <system_error>
#endif

namespace miravel::authoring {

void UseSystemLanguage() {
#if MIRAVEL_HAVE_GETTEXT
  std::setlocale(LC_ALL, "");
#ifdef __linux__
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::filesystem::path catalogues = program.parent_path().parent_path() / "share" / "locale";
    bindtextdomain(kTextDomain, catalogues.c_str());
  }
#endif
  bind_textdomain_codeset(kTextDomain, "UTF-8");
  SetTranslator([](const char* message) -> const char* { return dgettext(kTextDomain, message); });
#endif
}

}  // namespace miravel::authoring
