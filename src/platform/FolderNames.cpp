#include "platform/FolderNames.h"

namespace FolderNames {

QStringList matching(const QString &folder, QDir::Filters filters, const std::function<bool(const QString &)> &keep,
                     QDir::SortFlags sort)
{
    QStringList names = QDir(folder).entryList(filters, sort);
    names.removeIf([&keep](const QString &name) { return !keep(name); });
    return names;
}

bool isTemporaryName(const QString &name, QLatin1StringView prefix)
{
    return name.size() == prefix.size() + 6 && name.startsWith(prefix);
}

} // namespace FolderNames
