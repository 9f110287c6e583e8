// The window's size and place: the layout that follows a resize, the stored
// placement kept on a screen, and the names a screen reader announces.

#include "app/FrmMain.h"
#include "app/ScreenPlacement.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>

namespace app {

void FrmMain::RecordDesignLayout() {
    m_Anchors.clear();
    for (QWidget* grower : std::initializer_list<QWidget*>{m_ProgBar, m_LV})
        m_Anchors.push_back({grower, grower->geometry(), true});
    for (QWidget* mover : std::initializer_list<QWidget*>{m_CheckOw, m_TextSoundPath, m_CtrButtons})
        m_Anchors.push_back({mover, mover->geometry(), false});
}

void FrmMain::ApplyWindowSize() {
    if (m_Anchors.empty()) return;
    // A shown preview strip sits between the list and the controls below it.
    const int room = PreviewShown() ? PreviewRoomPx() : 0;
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
    PlacePreview();
    RepaintBackgroundAndLabels();
}

// The background is one picture of the client area; the captions printed on
// it and the check boxes that show parts of it follow a new size.
void FrmMain::RepaintBackgroundAndLabels() {
    const QSize wanted(std::max(width(), m_DesignSize.width()),
                       std::max(height(), m_DesignSize.height()));
    if (m_Background.Width() == wanted.width() && m_Background.Height() == wanted.height()) return;
    PaintWindowBackground();
    PrintLabels();
    std::vector<UC_Check*> boxes = m_CheckParm;
    boxes.insert(boxes.end(), m_CheckNormMode.begin(), m_CheckNormMode.end());
    boxes.push_back(m_CheckClip);
    boxes.push_back(m_CheckOw);
    for (UC_Check* box : boxes) {
        const QRect g = GeometryTwips(box);
        box->SetBGPic(g.x(), g.y(), &m_Background);
        box->Draw();
    }
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
    const char* const sliderNames[] = {"Start threshold", "End threshold", "Normalize level",
                                       "Level adjust"};
    for (size_t i = 0; i < m_SliderParm.size() && i < std::size(sliderNames); ++i)
        m_SliderParm[i]->setAccessibleName(QString::fromLatin1(sliderNames[i]));
    struct Field {
        const char* Name;
        const char* Unit;
    };
    const Field fields[] = {{"Start Margin", "ms"},
                            {"End Margin", "ms"},
                            {"RMS Window", "ms"},
                            {"RMS Threshold", "db"}};
    for (size_t i = 0; i < m_TextParm.size() && i < std::size(fields); ++i) {
        m_TextParm[i]->setAccessibleName(QString::fromLatin1(fields[i].Name));
        m_TextParm[i]->setAccessibleDescription(QString::fromLatin1(fields[i].Unit));
    }
    const QString outputTo = QStringLiteral("Output To");
    m_TextSoundPath->setAccessibleName(outputTo);
    m_TextSoundPath->TextBox()->setAccessibleName(outputTo);
    m_ProgBar->setAccessibleName(QStringLiteral("Progress"));
    m_LV->setAccessibleName(QStringLiteral("Files"));
    m_CtrButtons->setAccessibleName(QStringLiteral("Batch run"));
}

} // namespace app
