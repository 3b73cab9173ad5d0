#pragma once
#include <QString>

#include "tools/content_model.h"

namespace lovetest::content {

// A page to proofread content by: for every test its remarks, its category
// captions and, for every category (or the test itself), each verdict of
// the verdict row a run uses with the band of scores that selects it, and
// the scores the test can reach, in the words the verdict view uses. Every
// content text is escaped; the page is one UTF-8 HTML document.
QString proofPage(const Content &content);

} // namespace lovetest::content
