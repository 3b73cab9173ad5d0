#pragma once
#include <QByteArray>

#include "tools/content_model.h"

namespace lovetest::content {

// Reads the content format: UTF-8 JSON {"tests": [...]}. A file that is not
// of that shape is a ContentError naming the place.
Content parseContentJson(const QByteArray &json);
// Merges several content files in order (the sample set is one file a test).
Content readContentFiles(const QStringList &paths);
// Writes content back in the same format, integers where values are integers.
QByteArray toContentJson(const Content &content);

} // namespace lovetest::content
