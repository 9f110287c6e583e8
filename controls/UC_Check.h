#pragma once

#include "controls/DrawHelpers.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

// A check box, or an option button when IsOption is set: a shaded box with a
// drawn check mark or dot and a caption to its right. Lengths are twips.
// Space acts as a click; a dotted mark round the caption shows the keyboard focus.
class UC_Check : public QWidget {
    Q_OBJECT

  public:
    explicit UC_Check(QWidget* pParent = nullptr);

    int32_t Enabled() const { return m_Enabled; }
    // 0 greys the control and takes it out of the mouse, the keys and the Tab order.
    void SetEnabled(int32_t pValue);
    QString Caption() const { return m_Caption; }
    void SetCaption(const QString& pValue);
    int32_t Value() const { return m_Value; }
    void SetValue(int32_t pValue);
    int32_t IsOption() const { return m_IsOption; }
    void SetIsOption(int32_t pValue) { m_IsOption = pValue; }
    float FontSize() const { return m_FontSize; }
    void SetFontSize(float pValue) { m_FontSize = pValue; }

    // The box image; check boxes may share one. Writing null is ignored.
    std::shared_ptr<Surface> Gradhdc() const { return m_BoxImage; }
    void SetGradhdc(std::shared_ptr<Surface> pValue);

    // Background copied from pObj at (pX, pY) twips; pObj must outlive the
    // control or be released with CloseBGObj.
    void SetBGPic(int32_t pX, int32_t pY, const Surface* pObj);
    void CloseBGObj() { m_BgSource = nullptr; }

    void Draw();

    // Box top in pixels, for hosts and tests.
    int BoxTop() const { return m_BoxTop; }
    const Surface& Canvas() const { return m_Canvas; }

  signals:
    void Click();

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

  private:
    // A click by the mouse or the Space key: toggle or choose, draw, raise Click.
    void Activate();
    void DrawFocus();
    void Layout();
    void MakeBoxImage();
    void DrawMark();

    int32_t m_Enabled = -1;
    QString m_Caption;
    int32_t m_Value = 0;
    int32_t m_IsOption = 0;
    float m_FontSize = 9;
    bool m_LaidOut = false;
    int m_BoxTop = 0;
    int m_CaptionY = 0;
    int32_t m_BgX = 0, m_BgY = 0;
    const Surface* m_BgSource = nullptr;
    std::shared_ptr<Surface> m_BoxImage;
    Surface m_Canvas;
};
