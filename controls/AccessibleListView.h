#pragma once
// The file list for the screen reader: a list whose children are its rows;
// each row says its cells in column order and whether it is selected, and has
// the cells as children, named by their text and described by their column.

#include "controls/AccessibleControls.h"

#include <QAccessibleWidget>
#include <QPointer>

#include "controls/UC_ListView.h"

// Its selection is read and set through the table interface, one column wide per row.
class AccessibleListView : public QAccessibleWidget, public QAccessibleTableInterface {
  public:
    explicit AccessibleListView(UC_ListView* pControl);

    void* interface_cast(QAccessible::InterfaceType pType) override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int pIndex) const override;
    int indexOfChild(const QAccessibleInterface* pChild) const override;
    QAccessibleInterface* childAt(int pX, int pY) const override;
    QAccessibleInterface* focusChild() const override;

    // The table interface: rows are the files, columns the shown columns.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int pRow, int pColumn) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int pColumn) const override;
    QString rowDescription(int pRow) const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override { return childCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int pRow) const override;
    bool selectRow(int pRow) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int pRow) override;
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

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

// One row (one file) of the list: named by its cells and what happened to it (its tip),
// which is also its description. Toggle selects or deselects it, SetFocus makes it the cursor.
class AccessibleListRow : public AccessibleListPart, public QAccessibleActionInterface {
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
    void* interface_cast(QAccessible::InterfaceType pType) override;

    QStringList actionNames() const override;
    void doAction(const QString& pAction) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

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
