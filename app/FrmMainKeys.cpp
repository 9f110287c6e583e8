// The main window's keyboard order and the tooltips of the controls below the panel: what
// each does and the value it holds now.

#include "app/FrmMain.h"
#include "app/OriginalsButton.h"
#include "app/ToolTips.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"

#include <functional>
#include <vector>

namespace app {

namespace {

QString Files(int32_t pCount) {
    return pCount == 1 ? QStringLiteral("1 file") : QString::number(pCount) + " files";
}

} // namespace

void FrmMain::SetUpKeyboard() {
    m_LV->setFocusPolicy(Qt::StrongFocus); // a click and Tab both give it the keys
    std::vector<QWidget*> order = m_Panel->UpperTabOrder();
    order.push_back(m_LV);
    for (QWidget* control : m_Pane->TabOrder()) // the play buttons under the list
        order.push_back(control);
    for (QWidget* control : m_Panel->LowerTabOrder()) {
        order.push_back(control);
        if (control == m_Panel->OverWriteBox()) order.push_back(m_Originals);
    }
    order.push_back(m_CtrButtons);
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    auto* refresh = new ToolTipRefresh([this] { RefreshToolTips(); }, this);
    for (QWidget* control : std::initializer_list<QWidget*>{m_LV, m_ProgBar, m_CtrButtons})
        control->installEventFilter(refresh);
    RefreshToolTips();
}

void FrmMain::RefreshToolTips() {
    m_LV->setToolTip(Tip(QStringLiteral("Files"), Files(m_LV->ItemCount()),
                         QStringLiteral("drop WAV files here or press Ctrl+O; the arrows move, "
                                        "Shift extends, Ctrl+Space picks; Delete removes the "
                                        "selected rows")));
    m_ProgBar->setToolTip(Tip(QStringLiteral("Progress"),
                              m_RunState == 1
                                  ? QString::number(m_ProgBar->Value() / 10) + QStringLiteral("%")
                                  : QStringLiteral("idle"),
                              QStringLiteral("how far the file being processed has got")));
    const QString files = Files(m_LV->ItemCount());
    m_CtrButtons->SetToolTip(
        QStringLiteral("Clear, Abort, Start \u2014 Left/Right choose, Space or Enter presses"));
    m_CtrButtons->SetButtonToolTip(
        0, Tip(QStringLiteral("Clear"), files, QStringLiteral("empties the file list")));
    m_CtrButtons->SetButtonToolTip(
        1, Tip(QStringLiteral("Abort"),
               m_RunState == 1 ? QStringLiteral("running") : QStringLiteral("no run"),
               QStringLiteral("stops the run after the file being processed")));
    m_CtrButtons->SetButtonToolTip(
        2, Tip(QStringLiteral("Start"), files,
               QStringLiteral("processes the files in the list with the settings above")));
}

} // namespace app
