#include "controls/UC_ListViewPane.h"

#include "controls/MouseButtons.h"
#include "controls/UC_ListView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

UC_ListViewPane::UC_ListViewPane(UC_ListView* pOwner, Kind pKind, const platform::Surface& pSurface,
                                 QWidget* pParent)
    : QWidget(pParent), owner_(pOwner), kind_(pKind), surface_(pSurface) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAcceptDrops(kind_ == Kind::Rows);
}

void UC_ListViewPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    if (!surface_.IsNull()) p.drawImage(0, 0, surface_.Image());
}

void UC_ListViewPane::Forward(const QMouseEvent* e, int16_t pButton, MouseHandler pOnRows,
                              MouseHandler pOnHeader) {
    const float x = float(e->position().x() * Px()), y = float(e->position().y() * Px());
    (owner_->*(kind_ == Kind::Rows ? pOnRows : pOnHeader))(pButton, ShiftState(e->modifiers()), x,
                                                           y);
}

void UC_ListViewPane::mousePressEvent(QMouseEvent* e) {
    Forward(e, MouseButtonCode(e->button()), &UC_ListView::PictureList_MouseDown,
            &UC_ListView::PictureTab_MouseDown);
}

void UC_ListViewPane::mouseMoveEvent(QMouseEvent* e) {
    Forward(e, MouseButtonState(e->buttons()), &UC_ListView::PictureList_MouseMove,
            &UC_ListView::PictureTab_MouseMove);
}

void UC_ListViewPane::mouseReleaseEvent(QMouseEvent* e) {
    Forward(e, MouseButtonCode(e->button()), &UC_ListView::PictureList_MouseUp,
            &UC_ListView::PictureTab_MouseUp);
}

void UC_ListViewPane::mouseDoubleClickEvent(QMouseEvent* e) {
    if (kind_ == Kind::Rows) {
        owner_->PictureList_DblClick();
    } else {
        // The header takes a double click as one more press.
        mousePressEvent(e);
    }
}

void UC_ListViewPane::wheelEvent(QWheelEvent* e) {
    // Fine-grained wheels and touchpads send parts of a step; they add up.
    wheelRest_ += e->angleDelta().y();
    const int steps = wheelRest_ / 120;
    wheelRest_ -= steps * 120;
    if (steps != 0) owner_->VBarScroll(-steps);
    e->accept();
}

void UC_ListViewPane::dragEnterEvent(QDragEnterEvent* e) {
    e->acceptProposedAction();
    owner_->PictureList_OLEDragOver(float(e->position().x() * Px()),
                                    float(e->position().y() * Px()));
    // The platform does not repeat drag-over notifications while the pointer rests.
    owner_->dragOverRepeat_.start();
}

void UC_ListViewPane::dragMoveEvent(QDragMoveEvent* e) {
    e->acceptProposedAction();
    owner_->PictureList_OLEDragOver(float(e->position().x() * Px()),
                                    float(e->position().y() * Px()));
}

void UC_ListViewPane::dragLeaveEvent(QDragLeaveEvent*) {
    owner_->dragOverRepeat_.stop();
}

void UC_ListViewPane::dropEvent(QDropEvent* e) {
    owner_->dragOverRepeat_.stop();
    const Qt::DropAction action = e->dropAction();
    const int32_t effect = action == Qt::MoveAction ? 2 : action == Qt::LinkAction ? 4 : 1;
    e->acceptProposedAction();
    owner_->DropData(e->mimeData(), effect, MouseButtonState(e->buttons()),
                     ShiftState(e->modifiers()), float(e->position().x() * Px()),
                     float(e->position().y() * Px()));
}
