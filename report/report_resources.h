#pragma once

namespace lovetest {

// Registers the report window's toolbar images (":/report/icons/...").
// Needed once because the images live in a static library; safe to repeat.
void initReportResources();

} // namespace lovetest
