// What keeps the window usable from the keyboard and by a screen reader: the command
// buttons show which of them work now, Clear asks before it empties the list, and the
// texts a reader hears follow the list and the run as they change.

#include "app/FrmMain.h"

#include "controls/AccessibleEvents.h"
#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_ListView.h"

#include <QAction>
#include <QMessageBox>
#include <QPushButton>

namespace app {

namespace {

enum StripButton : int32_t { kClear = 0, kAbort = 1, kStart = 2 };

bool AskInMessageBox(QWidget* pOwner, int32_t pRows) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Clear"),
                    pRows == 1 ? QStringLiteral("Remove the file from the list?")
                               : QStringLiteral("Remove all %1 files from the list?").arg(pRows),
                    QMessageBox::NoButton, pOwner);
    box.setInformativeText(QStringLiteral("The files themselves stay where they are."));
    QPushButton* clear = box.addButton(QStringLiteral("Clear the List"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QMessageBox::Cancel));
    box.exec();
    return box.clickedButton() == clear;
}

void DescribeRows(UC_ListView* pList) {
    const int32_t rows = pList->ItemCount();
    pList->setAccessibleDescription(rows == 0   ? QStringLiteral("no files: ") + pList->EmptyText()
                                    : rows == 1 ? QStringLiteral("1 file")
                                                : QStringLiteral("%1 files").arg(rows));
    TellDescription(pList);
}

} // namespace

void FrmMain::SetUpAccessibility() {
    m_CtrButtons->SetDefaultButton(kStart);
    ShowRunButtons();
    m_LV->SetEmptyText(QStringLiteral("Drop WAV files here or press Ctrl+O"));
    m_ProgBar->setAccessibleDescription(QStringLiteral("the run's progress and its result"));
    // The list's description counts its rows whenever they come or go.
    connect(m_LV, &UC_ListView::RowsChanged, this, [this] { DescribeRows(m_LV); });
    DescribeRows(m_LV);
}

void FrmMain::ShowRunButtons() {
    const int32_t running = m_RunState == 1 ? 1 : 0;
    // Abort first: the keys move off Start and Clear to a button that works.
    m_CtrButtons->SetButtonDisable(kAbort, 1 - running, true, 0);
    m_CtrButtons->SetButtonDisable(kClear, running, true, 0);
    m_CtrButtons->SetButtonDisable(kStart, running, true, 0);
    if (m_UndoAction) m_UndoAction->setEnabled(running == 0);
}

bool FrmMain::ConfirmClear() {
    const int32_t rows = m_LV->ItemCount();
    if (rows == 0) return true;
    return m_AskClear ? m_AskClear(rows) : AskInMessageBox(this, rows);
}

} // namespace app
