#include "view/AppListModel.h"

#include <QSet>

int AppListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_apps.size()); }

QVariant AppListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const CatalogApp &app = m_apps.at(index.row());
    switch (role) {
    case AppRole:
        return QVariant::fromValue(app);
    case AppIdRole:
    case Qt::DisplayRole:
        return app.id;
    default:
        return {};
    }
}

QHash<int, QByteArray> AppListModel::roleNames() const
{
    return {{AppRole, QByteArrayLiteral("app")}, {AppIdRole, QByteArrayLiteral("appId")}};
}

QVariantList AppListModel::apps() const
{
    QVariantList list;
    list.reserve(m_apps.size());
    for (const CatalogApp &app : m_apps)
        list.append(QVariant::fromValue(app));
    return list;
}

void AppListModel::setApps(const QVariantList &apps)
{
    QList<CatalogApp> next;
    next.reserve(apps.size());
    for (const QVariant &app : apps)
        next.append(app.value<CatalogApp>());
    setAppList(next);
}

void AppListModel::setAppList(const QList<CatalogApp> &next)
{
    if (next == m_apps)
        return;
    removeRowsMissingFrom(next);
    // What is left keeps its order in the new list unless the order itself changed (a
    // renamed app): then the rows are rebuilt.
    if (!insertRowsMissingFrom(next)) {
        beginResetModel();
        m_apps = next;
        endResetModel();
    }
    updateChangedRows(next);
    updateSelectedRow();
    Q_EMIT appsChanged();
}

void AppListModel::setSelectedID(const QString &id)
{
    if (id == m_selectedID)
        return;
    m_selectedID = id;
    Q_EMIT selectedIDChanged();
    updateSelectedRow();
}

void AppListModel::updateSelectedRow()
{
    const int row = m_selectedID.isEmpty() ? -1 : indexOf(m_selectedID);
    if (row == m_selectedRow)
        return;
    m_selectedRow = row;
    Q_EMIT selectedRowChanged();
}

void AppListModel::removeRowsMissingFrom(const QList<CatalogApp> &next)
{
    QSet<QString> kept;
    for (const CatalogApp &app : next)
        kept.insert(app.id);
    // From the end, one run of neighbouring rows at a time.
    for (int last = int(m_apps.size()) - 1; last >= 0;) {
        if (kept.contains(m_apps.at(last).id)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !kept.contains(m_apps.at(first - 1).id))
            --first;
        beginRemoveRows({}, first, last);
        m_apps.remove(first, last - first + 1);
        endRemoveRows();
        last = first - 1;
    }
}

bool AppListModel::insertRowsMissingFrom(const QList<CatalogApp> &next)
{
    // Every remaining row must appear in next in the same order.
    qsizetype row = 0;
    for (const CatalogApp &app : next) {
        if (row < m_apps.size() && m_apps.at(row).id == app.id)
            ++row;
    }
    if (row != m_apps.size())
        return false;
    for (qsizetype i = 0; i < next.size();) {
        if (i < m_apps.size() && m_apps.at(i).id == next.at(i).id) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < next.size() && !(i < m_apps.size() && m_apps.at(i).id == next.at(end).id))
            ++end;
        beginInsertRows({}, int(i), int(end - 1));
        m_apps.insert(i, end - i, CatalogApp());
        for (qsizetype k = i; k < end; ++k)
            m_apps[k] = next.at(k);
        endInsertRows();
        i = end;
    }
    return true;
}

void AppListModel::updateChangedRows(const QList<CatalogApp> &next)
{
    for (qsizetype i = 0; i < m_apps.size(); ++i) {
        if (!(m_apps.at(i) == next.at(i))) {
            m_apps[i] = next.at(i);
            const QModelIndex changed = index(int(i));
            Q_EMIT dataChanged(changed, changed);
        }
    }
}

int AppListModel::indexOf(const QString &appID) const
{
    for (qsizetype i = 0; i < m_apps.size(); ++i) {
        if (m_apps.at(i).id == appID)
            return int(i);
    }
    return -1;
}

QString AppListModel::idAt(int row) const
{
    return row >= 0 && row < m_apps.size() ? m_apps.at(row).id : QString();
}
