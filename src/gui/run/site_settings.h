// SPDX-License-Identifier: GPL-3.0-or-later
// The site configuration at start-up: the run gets its report password rule,
// and a broken file is told once, in the error box, while the program goes on
// refusing every report password.
#pragma once

#include <QString>
#include <string>

#include "run/controller.h"
#include "site/site_config.h"

namespace miravel::run {

// Gives the run the configuration's report password rule, and writes the
// warnings about ignored lines to standard error (the box is for what stops
// the report).
void UseSiteConfig(Controller& controller, const site::LoadResult& loaded);

// The error box's text for a broken configuration file at `path`.
QString SiteProblemText(const std::string& path, const site::Problem& problem);

// Shows the error box once when the file at `path` is broken; does nothing
// otherwise. Returns when the box has been closed.
void ReportSiteProblem(const std::string& path, const site::LoadResult& loaded);

}  // namespace miravel::run
