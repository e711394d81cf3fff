#include "state/SectionListModel.h"

namespace {

enum Role { TextRole = Qt::UserRole + 1, SymbolRole, CountRole, FilterRole, HeaderRole };

bool sameRows(const QList<SectionListModel::Section> &a, const QList<SectionListModel::Section> &b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(),
                      [](const auto &x, const auto &y) { return x.filter == y.filter; });
}

} // namespace

int SectionListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_sections.size()); }

QVariant SectionListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Section &section = m_sections.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case TextRole:
        return section.text;
    case SymbolRole:
        return section.symbol;
    case CountRole:
        return int(section.count);
    case FilterRole:
        return QVariant::fromValue(section.filter);
    case HeaderRole:
        return section.header;
    default:
        return {};
    }
}

QHash<int, QByteArray> SectionListModel::roleNames() const
{
    return {{TextRole, "text"}, {SymbolRole, "symbol"}, {CountRole, "count"}, {FilterRole, "filter"}, {HeaderRole, "header"}};
}

CatalogStoreFilter SectionListModel::filterAt(int row) const
{
    return row >= 0 && row < m_sections.size() ? m_sections.at(row).filter : CatalogStoreFilter::all();
}

void SectionListModel::setSections(QList<Section> sections)
{
    if (sameRows(m_sections, sections)) {
        for (qsizetype row = 0; row < sections.size(); ++row) {
            if (sections.at(row) == m_sections.at(row))
                continue;
            m_sections[row] = sections.at(row);
            Q_EMIT dataChanged(index(int(row)), index(int(row)));
        }
        return;
    }
    // The Updates row comes and goes third; anything else (a new catalogue's categories)
    // rebuilds the list.
    const qsizetype updatesRow = 2;
    const bool added = sections.size() == m_sections.size() + 1 && sections.at(updatesRow).filter == CatalogStoreFilter::updates();
    const bool removed = m_sections.size() == sections.size() + 1 && m_sections.at(updatesRow).filter == CatalogStoreFilter::updates();
    if (added) {
        beginInsertRows({}, updatesRow, updatesRow);
        m_sections.insert(updatesRow, sections.at(updatesRow));
        endInsertRows();
    } else if (removed) {
        beginRemoveRows({}, updatesRow, updatesRow);
        m_sections.removeAt(updatesRow);
        endRemoveRows();
    }
    if ((added || removed) && sameRows(m_sections, sections)) {
        setSections(std::move(sections));  // the counts of the rows that stayed
    } else {
        beginResetModel();
        m_sections = std::move(sections);
        endResetModel();
    }
    updateSelectedRow();
}

void SectionListModel::setSelectedFilter(const CatalogStoreFilter &filter)
{
    m_filter = filter;
    updateSelectedRow();
}

void SectionListModel::updateSelectedRow()
{
    const auto it = std::find_if(m_sections.cbegin(), m_sections.cend(),
                                 [&](const Section &section) { return section.filter == m_filter; });
    const int row = it == m_sections.cend() ? -1 : int(it - m_sections.cbegin());
    if (row == m_selectedRow)
        return;
    m_selectedRow = row;
    Q_EMIT selectedRowChanged();
}
