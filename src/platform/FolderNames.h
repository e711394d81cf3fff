#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

#include <functional>

// A folder's entry names that pass a test written in code. Qt's wildcard filters would compile
// a regular expression for each listing, and load the expression library into the program for
// tests as simple as a prefix and a suffix.
namespace FolderNames {

QStringList matching(const QString &folder, QDir::Filters filters, const std::function<bool(const QString &)> &keep,
                     QDir::SortFlags sort = QDir::NoSort);

// "<prefix>XXXXXX", as mkdtemp(3) and mkstemp(3) name what they make.
bool isTemporaryName(const QString &name, QLatin1StringView prefix);

} // namespace FolderNames
