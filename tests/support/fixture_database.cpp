#include "tests/support/fixture_database.h"

#include "tools/content_json.h"
#include "tools/database_build.h"

namespace lovetest::testing {

FixtureDatabase::FixtureDatabase(const QByteArray &contentJson) : m_path(m_dir.filePath(QStringLiteral("date.mdb")))
{
    content::buildDatabase(content::parseContentJson(contentJson), m_path);
    m_side = std::make_unique<SideConnection>(m_path);
}

} // namespace lovetest::testing
