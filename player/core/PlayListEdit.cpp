#include "PlayListEdit.h"

#include <algorithm>

QList<int> PlayListEdit::ValidRows(const QList<int>& rows, int count) {
    QList<int> valid;
    for (int row : rows) {
        if (row >= 0 && row < count) valid.append(row);
    }
    std::sort(valid.begin(), valid.end());
    valid.erase(std::unique(valid.begin(), valid.end()), valid.end());
    return valid;
}

QList<int> PlayListEdit::RemoveRows(QList<tagFileListInfo>& items, const QList<int>& rows) {
    const int count = int(items.size());
    const QList<int> gone = ValidRows(rows, count);
    if (gone.isEmpty()) return {};
    QList<int> newIndexOf(count, -1);
    QList<tagFileListInfo> kept;
    kept.reserve(count - gone.size());
    for (int i = 0, g = 0; i < count; ++i) {
        if (g < gone.size() && gone[g] == i) {
            ++g;
            continue;
        }
        newIndexOf[i] = int(kept.size());
        kept.append(items[i]);
    }
    items = std::move(kept);
    return newIndexOf;
}

QList<int> PlayListEdit::MoveRows(QList<tagFileListInfo>& items, const QList<int>& rows,
                                  int before) {
    const int count = int(items.size());
    const QList<int> moved = ValidRows(rows, count);
    if (moved.isEmpty() || before < 0 || before > count) return {};
    // The new order as old rows: those that stay in front of the gap, the moved ones, the rest.
    QList<bool> isMoved(count, false);
    for (int row : moved) isMoved[row] = true;
    QList<int> order;
    order.reserve(count);
    for (int i = 0; i < before; ++i) {
        if (!isMoved[i]) order.append(i);
    }
    order += moved;
    for (int i = before; i < count; ++i) {
        if (!isMoved[i]) order.append(i);
    }
    if (std::is_sorted(order.cbegin(), order.cend())) return {};
    QList<int> newIndexOf(count, -1);
    QList<tagFileListInfo> arranged;
    arranged.reserve(count);
    for (int i = 0; i < count; ++i) {
        newIndexOf[order[i]] = i;
        arranged.append(items[order[i]]);
    }
    items = std::move(arranged);
    return newIndexOf;
}
