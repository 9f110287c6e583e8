#pragma once
// The file list for the screen reader: a list whose children are its rows;
// each row says its cells in column order and whether it is selected, and has
// the cells as children, named by their text and described by their column.

#include "controls/AccessibleControls.h"

#include <QAccessibleWidget>
#include <QPointer>

#include "controls/UC_ListView.h"

class AccessibleListView : public QAccessibleWidget {
  public:
    explicit AccessibleListView(UC_ListView* pControl);

    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int pIndex) const override;
    int indexOfChild(const QAccessibleInterface* pChild) const override;
    QAccessibleInterface* childAt(int pX, int pY) const override;
    QAccessibleInterface* focusChild() const override;

  private:
    UC_ListView* m_Control;
    mutable AccessibleChildren m_Rows;
};

// What rows and cells have in common: they belong to a list and are no widgets.
class AccessibleListPart : public QAccessibleInterface {
  public:
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

  protected:
    AccessibleListPart(UC_ListView* pList, int pRow) : m_List(pList), m_Row(pRow) {}
    // The row's place inside the list's row area, in global pixels.
    QRect RowRect() const;
    bool RowExists() const;

    QPointer<UC_ListView> m_List;
    int m_Row;
};

// One row (one file) of the list.
class AccessibleListRow : public AccessibleListPart {
  public:
    AccessibleListRow(UC_ListView* pList, int pRow) : AccessibleListPart(pList, pRow) {}

    bool isValid() const override { return RowExists(); }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int pIndex) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* pChild) const override;
    QString text(QAccessible::Text pKind) const override;
    QRect rect() const override { return RowRect(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

  private:
    mutable AccessibleChildren m_Cells;
};

// One cell of a row: the column in the order shown, hidden columns left out.
class AccessibleListCell : public AccessibleListPart {
  public:
    AccessibleListCell(UC_ListView* pList, int pRow, int pShownColumn)
        : AccessibleListPart(pList, pRow), m_ShownColumn(pShownColumn) {}

    bool isValid() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text pKind) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override;

  private:
    int m_ShownColumn;
};

// The data columns of pList in the order shown, without hidden ones.
std::vector<int32_t> ShownColumns(const UC_ListView& pList);
