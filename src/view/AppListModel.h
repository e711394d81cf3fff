#pragma once

#include "catalog/Catalog.h"

#include <QAbstractListModel>
#include <QList>
#include <QVariantList>
#include <QtQmlIntegration>

// The grid's list of apps. Given a new list, it removes, inserts and updates only the rows
// that differ, so a keystroke in the search keeps the cards that stay on screen instead of
// rebuilding every one.
class AppListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    // QVariantList of CatalogApp, as the store hands it out.
    Q_PROPERTY(QVariantList apps READ apps WRITE setApps NOTIFY appsChanged)
    // The selected app's id, and its row (-1 when the list does not show it).
    Q_PROPERTY(QString selectedID READ selectedID WRITE setSelectedID NOTIFY selectedIDChanged)
    Q_PROPERTY(int selectedRow READ selectedRow NOTIFY selectedRowChanged)
public:
    enum Role { AppRole = Qt::UserRole + 1, AppIdRole };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    QVariantList apps() const;
    void setApps(const QVariantList &apps);
    void setAppList(const QList<CatalogApp> &apps);

    QString selectedID() const { return m_selectedID; }
    void setSelectedID(const QString &id);
    int selectedRow() const { return m_selectedRow; }

    // The row of the app with this id, or -1.
    Q_INVOKABLE int indexOf(const QString &appID) const;
    // The id of the app in this row, or an empty string.
    Q_INVOKABLE QString idAt(int row) const;

Q_SIGNALS:
    void appsChanged();
    void selectedIDChanged();
    void selectedRowChanged();

private:
    void removeRowsMissingFrom(const QList<CatalogApp> &next);
    bool insertRowsMissingFrom(const QList<CatalogApp> &next);
    void updateChangedRows(const QList<CatalogApp> &next);

    void updateSelectedRow();

    QList<CatalogApp> m_apps;
    QString m_selectedID;
    int m_selectedRow = -1;
};
