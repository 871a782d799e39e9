#pragma once
// The message list over the session's table: one row per listed message, five columns
// ("Objet", "Émetteur", "Date", "Dates pour tri", "ID"). Cells are converted from
// Windows-1252 when the view asks for them; the model keeps no copy of the texts, only the
// display order, which a column click sorts. Rows the index no longer reaches (found by the
// recovery scan) are grey and italic, their status ("effacé", "fragment") in their tool tip.

#include "reader/MsgEntry.h"

#include <QAbstractTableModel>
#include <cstddef>
#include <vector>

namespace glanmail::ui {

class MessageTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Objet = 0, Emetteur = 1, Date = 2, DatesPourTri = 3, ID = 4, ColumnCount = 5 };

    explicit MessageTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Shows table (list order), or nothing for nullptr. The table must outlive its showing.
    void SetTable(const std::vector<MsgEntry>* table);
    // The table index (1-based) of a display row.
    std::size_t IdAt(int row) const { return order_.at(static_cast<std::size_t>(row)); }
    // The display row of a table index, or -1.
    int RowOf(std::size_t id) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Orders the rows by the column's text, ignoring letter case; equal texts keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    const std::vector<MsgEntry>* table_ = nullptr;
    std::vector<std::size_t> order_; // display row -> table index
    std::vector<int> rowOf_;         // table index - 1 -> display row
};

} // namespace glanmail::ui
