#pragma once
// One scroll bar of the list control: either a UC_Slider or the platform's
// scroll bar, behind the few members the list needs.

#include <QObject>

#include <cstdint>

class QScrollBar;
class QWidget;
class UC_Slider;

class UC_ListViewBar : public QObject {
    Q_OBJECT

  public:
    UC_ListViewBar(QWidget* pParent, bool pUseSlider, bool pVertical, const QString& pName);

    QWidget* Widget() const;
    bool IsSlider() const { return m_Slider != nullptr; }
    UC_Slider* Slider() const { return m_Slider; }
    QScrollBar* ScrollBar() const { return m_Scroll; }

    int32_t Value() const;
    // Limited to Min..Max; a change is reported through Changed for both kinds of bar.
    void SetValue(int32_t pValue);
    int32_t Min() const;
    int32_t Max() const;
    void SetMax(int32_t pValue);
    int32_t LargeChange() const;
    void SetLargeChange(int32_t pValue);
    void SetSmallChange(int32_t pValue);

    // Position and size in twips inside the parent.
    void Place(int32_t pLeft, int32_t pTop, int32_t pWidth, int32_t pHeight);
    // A slider relays out its parts and sizes its thumb to pRate of the track.
    void Prepare(float pRate);
    bool IsShown() const;
    void SetShown(bool pShown);

  signals:
    // The bar's value changed, by the user or by a write.
    void Changed();

  private:
    UC_Slider* m_Slider = nullptr;
    QScrollBar* m_Scroll = nullptr;
};
