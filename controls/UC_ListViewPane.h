#pragma once
// A drawn part of the list control (the header or the row area): it shows its
// back buffer and hands mouse, wheel and drop events to the list in twips.

#include <QWidget>

#include <cstdint>

class UC_ListView;
namespace platform {
class Surface;
}

class UC_ListViewPane : public QWidget {
  public:
    enum class Kind { Header, Rows };

    UC_ListViewPane(UC_ListView* pOwner, Kind pKind, const platform::Surface& pSurface,
                    QWidget* pParent);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    using MouseHandler = void (UC_ListView::*)(int16_t, int16_t, float, float);
    // Hands a mouse event with its position in twips to the rows' or the header's handler.
    void Forward(const QMouseEvent* e, int16_t pButton, MouseHandler pOnRows,
                 MouseHandler pOnHeader);

    UC_ListView* owner_;
    Kind kind_;
    const platform::Surface& surface_;
    int wheelRest_ = 0; // wheel movement short of a whole step
};
