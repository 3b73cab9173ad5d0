#include "tests/support/fixture_database.h"

#include "tools/content_json.h"
#include "tools/database_build.h"

namespace lovetest::testing {

FixtureDatabase::FixtureDatabase(const QByteArray &contentJson) : m_path(m_dir.filePath(QStringLiteral("date.mdb")))
{
    // Fixtures hold values as other programs stored them, texts that are no
    // numbers included.
    content::buildDatabase(content::parseContentJson(contentJson, content::TextValues::Kept), m_path);
    m_side = std::make_unique<SideConnection>(m_path);
}

} // namespace lovetest::testing
