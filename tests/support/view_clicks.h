#pragma once
// Real mouse clicks on item views, delivered where a user's would arrive: on
// the view's viewport at the item's place. A test that calls a handler itself
// does not find out whether the window wired the handler to its control.
#include <QAbstractItemView>
#include <QTest>
#include <QTreeWidget>

namespace quillmar::test {

inline void clickItem(QAbstractItemView* view, const QModelIndex& index)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(index).center());
}

// What the system delivers for a double-click: press and release, then the
// second press as a double-click event, then its release. (QTest's mouseDClick
// on a widget sends the double-click event alone.)
inline void doubleClickAt(QWidget* widget, QPoint at)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at);
}

inline void doubleClickItem(QAbstractItemView* view, const QModelIndex& index)
{
    doubleClickAt(view->viewport(), view->visualRect(index).center());
}

inline void clickTreeItem(QTreeWidget* tree, QTreeWidgetItem* item)
{
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(item).center());
}

// A point of the view's empty area, below its last row.
inline QPoint besideTheItems(QAbstractItemView* view)
{
    return QPoint(4, view->viewport()->height() - 4);
}

inline void clickBesideTheItems(QAbstractItemView* view)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, besideTheItems(view));
}

}  // namespace quillmar::test
