// The window's size and place: the layout that follows a resize, the stored
// placement kept on a screen, and the names a screen reader announces.

#include "app/FrmMain.h"
#include "app/OriginalsButton.h"
#include "app/ScreenPlacement.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace app {

void FrmMain::RecordDesignLayout() {
    m_Anchors.clear();
    for (QWidget* grower : std::initializer_list<QWidget*>{m_ProgBar, m_LV})
        m_Anchors.push_back({grower, grower->geometry(), true});
    for (QWidget* mover : std::initializer_list<QWidget*>{m_Panel->OverWriteBox(), m_Originals,
                                                          m_Panel->OutputTo(), m_CtrButtons})
        m_Anchors.push_back({mover, mover->geometry(), false});
}

void FrmMain::ApplyWindowSize() {
    if (m_Anchors.empty()) return;
    // A shown preview strip sits between the list and the controls below it.
    const int room = m_Pane->RoomPx();
    const int extraWidth = std::max(width() - m_DesignSize.width(), 0);
    const int extraHeight = std::max(height() - m_DesignSize.height() - room, 0);
    for (const LayoutAnchor& anchor : m_Anchors) {
        QRect g = anchor.Design;
        if (anchor.Grows) {
            // The progress bar sits above the list: it only widens.
            const int grow = anchor.Control == m_LV ? extraHeight : 0;
            g.setSize(g.size() + QSize(extraWidth, grow));
        } else {
            g.translate(extraWidth, extraHeight + room);
        }
        if (anchor.Control->geometry() != g) anchor.Control->setGeometry(g);
    }
    m_Pane->Place(m_LV->geometry());
    // The captions printed on the background and the boxes that show parts of it follow.
    const QSize wanted(std::max(width(), m_DesignSize.width()),
                       std::max(height(), m_DesignSize.height()));
    if (m_Background.Width() != wanted.width() || m_Background.Height() != wanted.height())
        PaintWindowBackground();
}

// The strip goes below the list, and the window's smallest size grows by its room: the list
// keeps its designed rows. Hidden, the window may be as small as designed.
QSize FrmMain::MinimumClientSize() const {
    return m_DesignSize + QSize(0, m_Pane ? m_Pane->RoomPx() : 0);
}

void FrmMain::PreviewShownChanged(bool pShown) {
    setMinimumSize(MinimumClientSize());
    if (pShown) resize(size().expandedTo(minimumSize()));
    ApplyWindowSize();
    RedrawList();
}

void FrmMain::resizeEvent(QResizeEvent* pEvent) {
    QWidget::resizeEvent(pEvent);
    if (m_Loaded) ApplyWindowSize();
}

void FrmMain::RestorePlacement() {
    RestoreWindowPlacement(*this, "", 0, 0, 0);
    // A window closed while minimised opens as a normal window: one that
    // starts minimised looks like a program that did not start.
    if (WindowState() == 1) SetWindowState(0);
    KeepOnScreen();
    ApplyWindowSize();
}

void FrmMain::KeepOnScreen() {
    if (WindowState() != 0) return;
    // The platform window knows the frame around the client area, where it can.
    if (!testAttribute(Qt::WA_WState_Created)) create();
    std::vector<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    const QRect frame = frameGeometry();
    const QRect placed = PlaceOnScreens(frame, screens);
    if (placed == frame) return;
    const QSize frameExtra = frame.size() - size();
    resize((placed.size() - frameExtra).expandedTo(minimumSize()));
    move(placed.topLeft());
    KeepInsideWhileFramed(this);
}

void FrmMain::SetAccessibleNames() {
    m_ProgBar->setAccessibleName(QStringLiteral("Progress"));
    m_LV->setAccessibleName(QStringLiteral("Files"));
    m_CtrButtons->setAccessibleName(QStringLiteral("Batch run"));
}

} // namespace app
