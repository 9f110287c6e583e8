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
    bool event(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dragLeaveEvent(QDragLeaveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

  private:
    using MouseHandler = void (UC_ListView::*)(int16_t, int16_t, float, float);
    // Hands a mouse event with its position in twips to the rows' or the header's handler.
    void Forward(const QMouseEvent* pEvent, int16_t pButton, MouseHandler pOnRows,
                 MouseHandler pOnHeader);

    UC_ListView* m_Owner;
    Kind m_Kind;
    const platform::Surface& m_Surface;
    int m_WheelRest = 0; // wheel movement short of a whole step
};
