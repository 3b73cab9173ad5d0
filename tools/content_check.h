#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "tools/content_model.h"

namespace lovetest::content {

// Proves a content's scoring sound before it reaches a user: every problem,
// errors first in content order, then warnings.
QList<Problem> checkContent(const Content &content);

// For each test: its reachable score range and which score interval leads
// to which verdict, for tuning thresholds.
QStringList describeRanges(const Content &content);

} // namespace lovetest::content
