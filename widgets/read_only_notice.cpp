#include "widgets/read_only_notice.h"

#include <QDir>
#include <QFileInfo>

#include "data/dataset.h"

namespace lovetest {

QString readOnlyDatabaseNotice(const QString &fileName, Connection::ReadOnlyCause cause)
{
    const QString path = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
    const QString what = cause == Connection::ReadOnlyCause::DiskFull
        ? QStringLiteral("磁盘已满，测试数据文件“%1”现在无法写入").arg(path)
        : QStringLiteral("测试数据文件“%1”是只读的").arg(path);
    return what +
        QStringLiteral("：测试可以照常做，但答案只保留到程序关闭，不会写入文件；"
                       "目录中的条目不能改名，也不能删除。");
}

std::optional<QString> readOnlyRefusal(const Dataset *set)
{
    const Connection *connection = set ? set->connection() : nullptr;
    if (!connection || !connection->readOnly())
        return std::nullopt;
    return readOnlyDatabaseNotice(connection->fileName(), connection->readOnlyCause());
}

} // namespace lovetest
