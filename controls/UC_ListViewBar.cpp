#include "controls/UC_ListViewBar.h"

#include "controls/DrawHelpers.h"
#include "controls/UC_Slider.h"

#include <QScrollBar>

#include <algorithm>

UC_ListViewBar::UC_ListViewBar(QWidget* pParent, bool pUseSlider, bool pVertical,
                               const QString& pName)
    : QObject(pParent) {
    if (pUseSlider) {
        m_Slider = new UC_Slider(pParent);
        m_Slider->SetNoGrad(true);
        m_Slider->SetIsVertical(pVertical);
        m_Slider->setObjectName(pName);
        m_Slider->setFocusPolicy(Qt::NoFocus); // the keys stay with the list
        connect(m_Slider, &UC_Slider::Scrolled, this, &UC_ListViewBar::Changed);
    } else {
        m_Scroll = new QScrollBar(pVertical ? Qt::Vertical : Qt::Horizontal, pParent);
        m_Scroll->setFocusPolicy(Qt::NoFocus);
        m_Scroll->setObjectName(pName);
        connect(m_Scroll, &QScrollBar::valueChanged, this, &UC_ListViewBar::Changed);
    }
    Widget()->hide();
}

QWidget* UC_ListViewBar::Widget() const {
    return m_Slider ? static_cast<QWidget*>(m_Slider) : static_cast<QWidget*>(m_Scroll);
}

int32_t UC_ListViewBar::Value() const {
    return m_Slider ? m_Slider->Value() : m_Scroll->value();
}

void UC_ListViewBar::SetValue(int32_t pValue) {
    pValue = std::clamp(pValue, Min(), std::max(Min(), Max()));
    if (m_Scroll) {
        m_Scroll->setValue(pValue);
        return;
    }
    // A slider does not report writes; the list must follow them like the platform's bar.
    const int32_t before = m_Slider->Value();
    m_Slider->SetValue(pValue);
    if (m_Slider->Value() != before) emit Changed();
}

int32_t UC_ListViewBar::Min() const {
    return m_Slider ? m_Slider->Min() : m_Scroll->minimum();
}
int32_t UC_ListViewBar::Max() const {
    return m_Slider ? m_Slider->Max() : m_Scroll->maximum();
}

void UC_ListViewBar::SetMax(int32_t pValue) {
    if (m_Slider)
        m_Slider->SetMax(pValue);
    else
        m_Scroll->setMaximum(pValue);
}

int32_t UC_ListViewBar::LargeChange() const {
    return m_Slider ? m_Slider->LargeChange() : m_Scroll->pageStep();
}

void UC_ListViewBar::SetLargeChange(int32_t pValue) {
    if (m_Slider)
        m_Slider->SetLargeChange(pValue);
    else
        m_Scroll->setPageStep(pValue);
}

void UC_ListViewBar::SetSmallChange(int32_t pValue) {
    if (m_Slider)
        m_Slider->SetSmallChange(pValue);
    else
        m_Scroll->setSingleStep(pValue);
}

void UC_ListViewBar::Place(int32_t pLeft, int32_t pTop, int32_t pWidth, int32_t pHeight) {
    PlaceTwips(Widget(), pLeft, pTop, std::max(pWidth, Px()), std::max(pHeight, Px()));
}

void UC_ListViewBar::Prepare(float pRate) {
    if (!m_Slider) return;
    m_Slider->Init();
    m_Slider->SetPointerSize(pRate);
    SetValue(m_Slider->Value());
}

bool UC_ListViewBar::IsShown() const {
    return !Widget()->isHidden();
}

void UC_ListViewBar::SetShown(bool pShown) {
    Widget()->setVisible(pShown);
}
