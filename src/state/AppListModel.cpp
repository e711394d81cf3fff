#include "state/AppListModel.h"

#include "state/CatalogStore.h"

namespace {

using Source = AppListModel::Source;

// The roles, in role-number order from Qt::UserRole + 1. A role is one line: its QML name, the
// change that refreshes it and how its value is read.
struct Role {
    const char *name;
    Source source;
    QVariant (*value)(const CatalogStore &store, const CatalogApp &app);
};

const Role roleTable[] = {
    {"app", Source::Catalogue, [](const CatalogStore &, const CatalogApp &app) { return QVariant::fromValue(app); }},
    {"appId", Source::Catalogue, [](const CatalogStore &, const CatalogApp &app) { return QVariant(app.id); }},
    {"categoryName", Source::Catalogue,
     [](const CatalogStore &store, const CatalogApp &app) { return QVariant(store.categoryName(app)); }},
    {"installedVersion", Source::Installed,
     [](const CatalogStore &store, const CatalogApp &app) { return QVariant(store.installedVersion(app).value_or(QString())); }},
    {"installedLocation", Source::Installed,
     [](const CatalogStore &store, const CatalogApp &app) { return QVariant(store.installedLocation(app)); }},
    {"hasUpdate", Source::Installed,
     [](const CatalogStore &store, const CatalogApp &app) { return QVariant(store.hasUpdate(app)); }},
    {"installState", Source::InstallState,
     [](const CatalogStore &store, const CatalogApp &app) { return QVariant::fromValue(store.installState(app)); }},
};

constexpr int firstRole = Qt::UserRole + 1;

QList<int> rolesFrom(Source source)
{
    QList<int> roles;
    for (int i = 0; i < int(std::size(roleTable)); ++i) {
        if (roleTable[i].source == source)
            roles.append(firstRole + i);
    }
    return roles;
}

} // namespace

AppListModel::AppListModel(const CatalogStore &store, QObject *parent)
    : QAbstractListModel(parent), m_store(store), m_catalog(std::make_shared<const Catalog>())
{
}

int AppListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : count(); }

QVariant AppListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const CatalogApp &app = appAt(index.row());
    if (role == Qt::DisplayRole)
        return app.id;
    const int entry = role - firstRole;
    if (entry < 0 || entry >= int(std::size(roleTable)))
        return {};
    return roleTable[entry].value(m_store, app);
}

QHash<int, QByteArray> AppListModel::roleNames() const
{
    QHash<int, QByteArray> names;
    for (int i = 0; i < int(std::size(roleTable)); ++i)
        names.insert(firstRole + i, QByteArray(roleTable[i].name));
    return names;
}

int AppListModel::role(QByteArrayView name)
{
    for (int i = 0; i < int(std::size(roleTable)); ++i) {
        if (name == roleTable[i].name)
            return firstRole + i;
    }
    return -1;
}

const CatalogApp &AppListModel::appAt(int row) const { return m_catalog->apps.at(m_rows.at(size_t(row))); }

QString AppListModel::idAt(int row) const
{
    return row >= 0 && row < count() ? appAt(row).id : QString();
}

void AppListModel::setRows(std::shared_ptr<const Catalog> catalog, std::vector<qsizetype> next)
{
    const int countBefore = count();
    // Rows of another catalogue are matched by app id, and redrawn when their app changed.
    std::vector<char> changed;
    if (catalog != m_catalog) {
        QHash<QString, qsizetype> indexOfID;
        for (qsizetype i = catalog->apps.size() - 1; i >= 0; --i)
            indexOfID.insert(catalog->apps.at(i).id, i);
        changed.assign(size_t(catalog->apps.size()), 0);
        std::vector<qsizetype> matched;
        for (qsizetype old : m_rows) {
            const qsizetype now = indexOfID.value(m_catalog->apps.at(old).id, -1);
            matched.push_back(now);
            if (now >= 0 && !(catalog->apps.at(now) == m_catalog->apps.at(old)))
                changed[size_t(now)] = 1;
        }
        // Rows whose app left the catalogue go while the old catalogue still backs them.
        std::vector<char> gone(m_rows.size(), 0);
        for (size_t i = 0; i < matched.size(); ++i)
            gone[i] = matched[i] < 0;
        for (int last = count() - 1; last >= 0;) {
            if (!gone[size_t(last)]) {
                --last;
                continue;
            }
            int first = last;
            while (first > 0 && gone[size_t(first - 1)])
                --first;
            beginRemoveRows({}, first, last);
            m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
            matched.erase(matched.begin() + first, matched.begin() + last + 1);
            endRemoveRows();
            last = first - 1;
        }
        m_catalog = std::move(catalog);
        m_rows = std::move(matched);
    }
    removeRowsMissingFrom(next);
    // What is left keeps its order in the new list unless the order itself changed (a
    // renamed app): then the rows are rebuilt.
    if (!insertRowsMissingFrom(next)) {
        beginResetModel();
        m_rows = std::move(next);
        endResetModel();
    } else if (!changed.empty()) {
        for (int row = 0; row < count(); ++row) {
            if (changed[size_t(m_rows[size_t(row)])])
                Q_EMIT dataChanged(index(row), index(row));
        }
    }
    updateSelectedRow();
    if (count() != countBefore)
        Q_EMIT countChanged();
}

void AppListModel::removeRowsMissingFrom(const std::vector<qsizetype> &next)
{
    std::vector<char> kept(size_t(m_catalog->apps.size()), 0);
    for (qsizetype i : next)
        kept[size_t(i)] = 1;
    // From the end, one run of neighbouring rows at a time.
    for (int last = count() - 1; last >= 0;) {
        if (kept[size_t(m_rows[size_t(last)])]) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !kept[size_t(m_rows[size_t(first - 1)])])
            --first;
        beginRemoveRows({}, first, last);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        endRemoveRows();
        last = first - 1;
    }
}

bool AppListModel::insertRowsMissingFrom(const std::vector<qsizetype> &next)
{
    // Every remaining row must appear in next in the same order.
    size_t row = 0;
    for (qsizetype app : next) {
        if (row < m_rows.size() && m_rows[row] == app)
            ++row;
    }
    if (row != m_rows.size())
        return false;
    for (size_t i = 0; i < next.size();) {
        if (i < m_rows.size() && m_rows[i] == next[i]) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < next.size() && !(i < m_rows.size() && m_rows[i] == next[end]))
            ++end;
        beginInsertRows({}, int(i), int(end - 1));
        m_rows.insert(m_rows.begin() + qsizetype(i), next.begin() + qsizetype(i), next.begin() + qsizetype(end));
        endInsertRows();
        i = end;
    }
    return true;
}

void AppListModel::installedChanged(const QSet<QString> &bundleIDs)
{
    refreshRows(Source::Installed,
                [&](const CatalogApp &app) { return app.bundleID && bundleIDs.contains(*app.bundleID); });
}

void AppListModel::installStateChanged(const QString &appID)
{
    refreshRows(Source::InstallState, [&](const CatalogApp &app) { return app.id == appID; });
}

void AppListModel::refreshRows(Source source, const std::function<bool(const CatalogApp &)> &concerned)
{
    const QList<int> roles = rolesFrom(source);
    for (int row = 0; row < count(); ++row) {
        if (concerned(appAt(row)))
            Q_EMIT dataChanged(index(row), index(row), roles);
    }
}

void AppListModel::setSelectedID(const QString &appID)
{
    m_selectedID = appID;
    updateSelectedRow();
}

void AppListModel::updateSelectedRow()
{
    int row = -1;
    for (int i = 0; i < count() && !m_selectedID.isEmpty(); ++i) {
        if (appAt(i).id == m_selectedID) {
            row = i;
            break;
        }
    }
    if (row == m_selectedRow)
        return;
    m_selectedRow = row;
    Q_EMIT selectedRowChanged();
}
