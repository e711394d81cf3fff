#pragma once

#include "state/CatalogStoreTypes.h"

#include <QAbstractListModel>
#include <QList>

// The sidebar's rows: All Apps, Featured, Updates (only while some app has an update), then
// one row per category in catalogue order. Roles for QML: "text", "symbol", "count" (the
// badge; zero shows none), "filter" (the section it picks) and "header" (the title of the rows'
// group, "Categories" for every category; empty for the sections above them). A change of
// counts redraws only the rows whose count changed.
class SectionListModel : public QAbstractListModel {
    Q_OBJECT
    // The row of the store's filter, or -1 (the Updates section may stay picked after its row
    // has gone).
    Q_PROPERTY(int selectedRow READ selectedRow NOTIFY selectedRowChanged FINAL)

public:
    struct Section {
        QString text;
        QString symbol;
        qsizetype count = 0;
        CatalogStoreFilter filter;
        QString header;
        friend bool operator==(const Section &, const Section &) = default;
    };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int selectedRow() const { return m_selectedRow; }
    Q_INVOKABLE CatalogStoreFilter filterAt(int row) const;

    void setSections(QList<Section> sections);
    void setSelectedFilter(const CatalogStoreFilter &filter);

Q_SIGNALS:
    void selectedRowChanged();

private:
    void updateSelectedRow();

    QList<Section> m_sections;
    CatalogStoreFilter m_filter;
    int m_selectedRow = -1;
};
