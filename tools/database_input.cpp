#include "tools/database_input.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include "data/test_database.h"
#include "tools/content_check.h"
#include "tools/content_json.h"
#include "tools/database_build.h"
#include "tools/database_export.h"
#include "tools/player.h"

namespace lovetest::content {

bool meantAsDatabase(const QString &path)
{
    const QFileInfo info(path);
    return looksLikeDatabase(path) || path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ||
        (info.exists() && !info.isFile());
}

Content asBuilt(const Content &content)
{
    QList<TestRows> rows;
    try {
        rows = assignIds(content);
    } catch (const ContentError &) {
        return content;
    }
    Content built = content;
    for (qsizetype i = 0; i < built.tests.size(); ++i)
        built.tests[i].id = rows[i].testId;
    return built;
}

DatabaseInput::DatabaseInput(const QStringList &paths)
{
    if (paths.size() == 1 && (meantAsDatabase(paths.first()) || !QFileInfo::exists(paths.first()))) {
        m_path = paths.first();
        return;
    }
    for (const QString &path : paths) {
        if (meantAsDatabase(path))
            throw UsageError(
                QStringLiteral("%1 is a database: give it alone, not with other files").arg(path).toStdString());
    }
    ReadResult read = readContentFileList(paths);
    m_problems = read.problems;
    if (!hasErrors(m_problems))
        m_problems += checkContent(read.content);
    if (hasErrors(m_problems))
        return;
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid())
        throw ContentError(QStringLiteral("cannot make a temporary folder for the database: %1")
                               .arg(m_dir->errorString())
                               .toStdString());
    m_path = m_dir->filePath(QString::fromUtf8(kDatabaseFileName));
    buildDatabase(read.content, m_path);
}

DatabaseInput::~DatabaseInput() = default;

} // namespace lovetest::content
