#include "controls/UC_ListViewPane.h"

#include "controls/MouseButtons.h"
#include "controls/UC_ListView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

UC_ListViewPane::UC_ListViewPane(UC_ListView* pOwner, Kind pKind, const platform::Surface& pSurface,
                                 QWidget* pParent)
    : QWidget(pParent), m_Owner(pOwner), m_Kind(pKind), m_Surface(pSurface) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAcceptDrops(m_Kind == Kind::Rows);
}

bool UC_ListViewPane::event(QEvent* pEvent) {
    if (pEvent->type() != QEvent::ToolTip || m_Kind != Kind::Rows) return QWidget::event(pEvent);
    // The tip of the row under the pointer; it goes when the pointer leaves that row.
    const auto* help = static_cast<QHelpEvent*>(pEvent);
    const int32_t item = m_Owner->ItemAtY(float(help->pos().y() * Px()));
    const QString tip = item >= 0 ? m_Owner->ItemTip(item) : QString();
    if (tip.isEmpty()) {
        QToolTip::hideText();
        pEvent->ignore();
        return true;
    }
    const int rowHeight = std::max(m_Owner->OneHeight() / Px(), 1);
    const int rowTop = (item - m_Owner->TopItem()) * m_Owner->OneHeight() / Px();
    QToolTip::showText(help->globalPos(), tip, this, QRect(0, rowTop, width(), rowHeight));
    pEvent->accept();
    return true;
}

void UC_ListViewPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    if (!m_Surface.IsNull()) p.drawImage(0, 0, m_Surface.Image());
}

void UC_ListViewPane::Forward(const QMouseEvent* pEvent, int16_t pButton, MouseHandler pOnRows,
                              MouseHandler pOnHeader) {
    const float x = float(pEvent->position().x() * Px()), y = float(pEvent->position().y() * Px());
    (m_Owner->*(m_Kind == Kind::Rows ? pOnRows : pOnHeader))(pButton,
                                                             ShiftState(pEvent->modifiers()), x, y);
}

void UC_ListViewPane::mousePressEvent(QMouseEvent* pEvent) {
    Forward(pEvent, MouseButtonCode(pEvent->button()), &UC_ListView::PictureList_MouseDown,
            &UC_ListView::PictureTab_MouseDown);
}

void UC_ListViewPane::mouseMoveEvent(QMouseEvent* pEvent) {
    Forward(pEvent, MouseButtonState(pEvent->buttons()), &UC_ListView::PictureList_MouseMove,
            &UC_ListView::PictureTab_MouseMove);
}

void UC_ListViewPane::mouseReleaseEvent(QMouseEvent* pEvent) {
    Forward(pEvent, MouseButtonCode(pEvent->button()), &UC_ListView::PictureList_MouseUp,
            &UC_ListView::PictureTab_MouseUp);
}

void UC_ListViewPane::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    if (m_Kind == Kind::Rows) {
        m_Owner->PictureList_DblClickAt(float(pEvent->position().y() * Px()));
    } else {
        // The header takes a double click as one more press.
        mousePressEvent(pEvent);
    }
}

void UC_ListViewPane::wheelEvent(QWheelEvent* pEvent) {
    // Fine-grained wheels and touchpads send parts of a step; they add up.
    m_WheelRest += pEvent->angleDelta().y();
    const int steps = m_WheelRest / 120;
    m_WheelRest -= steps * 120;
    if (steps != 0) m_Owner->VBarScroll(-steps);
    pEvent->accept();
}

void UC_ListViewPane::dragEnterEvent(QDragEnterEvent* pEvent) {
    m_Owner->PictureList_DragMove(pEvent);
    // The platform does not repeat drag-over notifications while the pointer rests. A refused
    // drag gets no leave event, so only a taken one repeats.
    if (pEvent->isAccepted()) m_Owner->m_DragOverRepeat.start();
}

void UC_ListViewPane::dragMoveEvent(QDragMoveEvent* pEvent) {
    m_Owner->PictureList_DragMove(pEvent);
}

void UC_ListViewPane::dragLeaveEvent(QDragLeaveEvent*) {
    m_Owner->m_DragOverRepeat.stop();
}

void UC_ListViewPane::dropEvent(QDropEvent* pEvent) {
    m_Owner->m_DragOverRepeat.stop();
    m_Owner->PictureList_Drop(pEvent);
}
