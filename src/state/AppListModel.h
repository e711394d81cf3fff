#pragma once

#include "catalog/Catalog.h"

#include <QAbstractListModel>
#include <QList>
#include <QSet>

#include <functional>
#include <memory>
#include <vector>

class CatalogStore;

// Catalogue apps as rows for the views: the grid's visible apps, or the one selected app.
// Beside the app itself each row carries what the views draw from other sources, as roles
// named for QML: "app", "appId", "categoryName", "installedVersion", "installedLocation",
// "hasUpdate" and "installState" (see the table in AppListModel.cpp).
//
// The store owns its models and tells them what changed; a model then changes only the rows
// concerned: a new list removes and inserts rows around those that stay, a rescan refreshes
// the installed roles of the apps whose copy changed, an install step the install role of
// that one app.
class AppListModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged FINAL)
    // The row of the selected app, or -1 when the list does not show it.
    Q_PROPERTY(int selectedRow READ selectedRow NOTIFY selectedRowChanged FINAL)

public:
    // What a role is read from, so which change refreshes it.
    enum class Source { Catalogue, Installed, InstallState };

    AppListModel(const CatalogStore &store, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    // The role of that name (as QML spells it), or -1.
    static int role(QByteArrayView name);

    int count() const { return int(m_rows.size()); }
    int selectedRow() const { return m_selectedRow; }
    // The id of the app in this row, or an empty string.
    Q_INVOKABLE QString idAt(int row) const;
    const CatalogApp &appAt(int row) const;

    // The rows become these apps of catalog, in this order.
    void setRows(std::shared_ptr<const Catalog> catalog, std::vector<qsizetype> rows);
    // The installed copies of these bundle identifiers have changed.
    void installedChanged(const QSet<QString> &bundleIDs);
    // The install state of this app has changed.
    void installStateChanged(const QString &appID);
    void setSelectedID(const QString &appID);

Q_SIGNALS:
    void countChanged();
    void selectedRowChanged();

private:
    void removeRowsMissingFrom(const std::vector<qsizetype> &next);
    bool insertRowsMissingFrom(const std::vector<qsizetype> &next);
    void refreshRows(Source source, const std::function<bool(const CatalogApp &)> &concerned);
    void updateSelectedRow();

    const CatalogStore &m_store;
    std::shared_ptr<const Catalog> m_catalog;
    std::vector<qsizetype> m_rows;  // indices into m_catalog->apps
    QString m_selectedID;
    int m_selectedRow = -1;
};
