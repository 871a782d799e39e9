#include "ui/MessageTableModel.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "reader/RecoveryScan.h"

#include <QColor>
#include <QFont>
#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>

namespace glanmail::ui {
namespace {

const std::string& CellText(const MsgEntry& e, int column) {
    switch (column) {
    case MessageTableModel::Objet:
        return e.Subject;
    case MessageTableModel::Emetteur:
        return e.Sender;
    case MessageTableModel::Date:
        return e.DateText;
    default:
        return e.DateKey;
    }
}

QString ToQString(const std::string& cp1252) {
    // Most cells are plain ASCII: no detour through UTF-8 for them.
    if (std::all_of(cp1252.begin(), cp1252.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return QString::fromLatin1(cp1252.data(), static_cast<qsizetype>(cp1252.size()));
    }
    return QString::fromStdString(encoding::ToUtf8(cp1252));
}

// The first eight bytes of the folded text, big-endian, shorter texts padded with zeros: the
// numbers compare as the texts' beginnings do.
std::uint64_t FoldedPrefix(const std::string& s) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        prefix = (prefix << 8) | (i < s.size() ? text::Fold(static_cast<unsigned char>(s[i])) : 0u);
    }
    return prefix;
}

} // namespace

void MessageTableModel::SetTable(const std::vector<MsgEntry>* table) {
    beginResetModel();
    table_ = table;
    const std::size_t n = table_ ? table_->size() : 0;
    order_.resize(n);
    std::iota(order_.begin(), order_.end(), std::size_t{1});
    rowOf_.resize(n);
    std::iota(rowOf_.begin(), rowOf_.end(), 0);
    endResetModel();
}

int MessageTableModel::RowOf(std::size_t id) const {
    return id >= 1 && id <= rowOf_.size() ? rowOf_[id - 1] : -1;
}

int MessageTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int MessageTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MessageTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || table_ == nullptr || index.row() >= rowCount() || index.column() >= ColumnCount) {
        return {};
    }
    const std::size_t id = order_[static_cast<std::size_t>(index.row())];
    const MsgEntry& entry = (*table_)[id - 1];
    const bool recovered = entry.Status != RecoveryStatus::Indexed;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        QString text = index.column() == ID ? QString::number(id) : ToQString(CellText(entry, index.column()));
        if (role == Qt::ToolTipRole && recovered) {
            // Which of the messages the index no longer reaches this one is.
            text += QStringLiteral("\n") + QString::fromUtf8("État : ") + ToQString(StatusText(entry.Status));
        }
        return text;
    }
    case Qt::ForegroundRole:
        // A grey dark enough to read on white, lighter than the text of the indexed rows.
        return recovered ? QVariant(QColor(0x70, 0x70, 0x70)) : QVariant();
    case Qt::FontRole: {
        if (!recovered) {
            return {};
        }
        QFont italic; // only italics set: the view's own font gives the rest
        italic.setItalic(true);
        return italic;
    }
    default:
        return {};
    }
}

QVariant MessageTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kHeaders[ColumnCount] = {"Objet", "Émetteur", "Date", "Dates pour tri", "ID"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromUtf8(kHeaders[section]);
}

void MessageTableModel::sort(int column, Qt::SortOrder order) {
    if (table_ == nullptr || column < 0 || column >= ColumnCount) {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Persistent indexes (the view's current row, for one) follow their message.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> beforeIds;
    beforeIds.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before) {
        beforeIds.push_back(IdAt(i.row()));
    }
    const auto& t = *table_;
    const bool descending = order == Qt::DescendingOrder;
    if (column == ID) {
        std::sort(order_.begin(), order_.end());
        if (descending) {
            std::reverse(order_.begin(), order_.end());
        }
    } else {
        // Each row's first eight folded bytes as one number decide most comparisons without
        // reaching the texts; ties fall back to the whole texts, then to the row's old place.
        struct Key {
            std::uint64_t prefix;
            std::size_t id;
            std::size_t place;
        };
        std::vector<Key> keys(order_.size());
        for (std::size_t row = 0; row < order_.size(); ++row) {
            keys[row] = {FoldedPrefix(CellText(t[order_[row] - 1], column)), order_[row], row};
        }
        std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
            int c = a.prefix < b.prefix ? -1 : a.prefix > b.prefix ? 1 : 0;
            if (c == 0) {
                c = text::CompareIgnoreCase(CellText(t[a.id - 1], column), CellText(t[b.id - 1], column));
            }
            if (c == 0) {
                return a.place < b.place;
            }
            return descending ? c > 0 : c < 0;
        });
        for (std::size_t row = 0; row < order_.size(); ++row) {
            order_[row] = keys[row].id;
        }
    }
    for (std::size_t row = 0; row < order_.size(); ++row) {
        rowOf_[order_[row] - 1] = static_cast<int>(row);
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k) {
        after.push_back(index(RowOf(beforeIds[static_cast<std::size_t>(k)]), before[k].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace glanmail::ui
