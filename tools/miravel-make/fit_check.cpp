// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit_check.h"

#include <exception>

#include "messages.h"

namespace miravel::make {

using authoring::Diagnostic;
using authoring::Format;
using authoring::Tr;

std::string FitCheckHelp() {
#if MIRAVEL_FIT_CHECK
  return Tr(R"help(Checking that the texts fit the screen: every test made is shown with the
program's windows (no display is needed), and each title, description,
comments, question or option that does not fit its place is warned about at
its source line (how many of its characters are hidden). --no-fit-check
skips it.
)help");
#else
  return Tr(R"help(This build has no windows, so it does not check that the texts fit the
screen; --no-fit-check is accepted and changes nothing.
)help");
#endif
}

std::optional<Diagnostic> FitWarning(const HiddenText& text, const authoring::TestSource& source) {
  const std::string measure =
      Format(Tr("%s of %s characters are hidden"), std::to_string(text.hidden), std::to_string(text.total));
  using Place = HiddenText::Place;
  switch (text.place) {
    case Place::kTitle:
      if (source.title_line == 0) return std::nullopt;
      return Diagnostic{source.title_line, Format(Tr("the title does not fit on the screen: %s"), measure)};
    case Place::kDescription:
      if (source.description_line == 0) return std::nullopt;
      return Diagnostic{source.description_line, Format(Tr("the description does not fit on the screen: %s"), measure)};
    case Place::kComments:
      if (source.comments_line == 0) return std::nullopt;
      return Diagnostic{source.comments_line, Format(Tr("the comments do not fit on the screen: %s"), measure)};
    case Place::kQuestionText:
    case Place::kOption: break;
  }
  if (text.question < 1 || static_cast<std::size_t>(text.question) > source.questions.size()) return std::nullopt;
  const authoring::SourceQuestion& question = source.questions[static_cast<std::size_t>(text.question - 1)];
  const std::string number = std::to_string(text.question);
  if (text.place == Place::kQuestionText)
    return Diagnostic{question.line,
                      Format(Tr("the text of question %s does not fit on the screen: %s"), number, measure)};
  if (text.option >= question.option_lines.size() || question.option_lines[text.option] == 0) return std::nullopt;
  return Diagnostic{question.option_lines[text.option],
                    Format(Tr("an option of question %s does not fit on the screen: %s"), number, measure)};
}

std::vector<Diagnostic> CheckFit(const std::string& test_path, const authoring::TestSource& source) {
  std::vector<Diagnostic> warnings;
#if MIRAVEL_FIT_CHECK
  try {
    for (const HiddenText& text : HiddenTexts(test_path))
      if (auto warning = FitWarning(text, source)) warnings.push_back(std::move(*warning));
  } catch (const std::exception& e) {
    warnings.assign(1, {0, Format(Tr("the texts were not checked against the screen: %s"), e.what())});
  }
#else
  static_cast<void>(test_path);
  static_cast<void>(source);
#endif
  return warnings;
}

}  // namespace miravel::make
