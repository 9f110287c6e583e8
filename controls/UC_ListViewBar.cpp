#include "controls/UC_ListViewBar.h"

#include "controls/DrawHelpers.h"
#include "controls/UC_Slider.h"

#include <QScrollBar>

#include <algorithm>

UC_ListViewBar::UC_ListViewBar(QWidget* pParent, bool pUseSlider, bool pVertical,
                               const QString& pName)
    : QObject(pParent) {
    if (pUseSlider) {
        slider_ = new UC_Slider(pParent);
        slider_->SetNoGrad(true);
        slider_->SetIsVertical(pVertical);
        slider_->setObjectName(pName);
        connect(slider_, &UC_Slider::Scrolled, this, &UC_ListViewBar::Changed);
    } else {
        scroll_ = new QScrollBar(pVertical ? Qt::Vertical : Qt::Horizontal, pParent);
        scroll_->setFocusPolicy(Qt::NoFocus);
        scroll_->setObjectName(pName);
        connect(scroll_, &QScrollBar::valueChanged, this, &UC_ListViewBar::Changed);
    }
    Widget()->hide();
}

QWidget* UC_ListViewBar::Widget() const {
    return slider_ ? static_cast<QWidget*>(slider_) : static_cast<QWidget*>(scroll_);
}

int32_t UC_ListViewBar::Value() const {
    return slider_ ? slider_->Value() : scroll_->value();
}

void UC_ListViewBar::SetValue(int32_t pValue) {
    pValue = std::clamp(pValue, Min(), std::max(Min(), Max()));
    if (scroll_) {
        scroll_->setValue(pValue);
        return;
    }
    // A slider does not report writes; the list must follow them like the platform's bar.
    const int32_t before = slider_->Value();
    slider_->SetValue(pValue);
    if (slider_->Value() != before) emit Changed();
}

int32_t UC_ListViewBar::Min() const {
    return slider_ ? slider_->Min() : scroll_->minimum();
}
int32_t UC_ListViewBar::Max() const {
    return slider_ ? slider_->Max() : scroll_->maximum();
}

void UC_ListViewBar::SetMax(int32_t pValue) {
    if (slider_)
        slider_->SetMax(pValue);
    else
        scroll_->setMaximum(pValue);
}

int32_t UC_ListViewBar::LargeChange() const {
    return slider_ ? slider_->LargeChange() : scroll_->pageStep();
}

void UC_ListViewBar::SetLargeChange(int32_t pValue) {
    if (slider_)
        slider_->SetLargeChange(pValue);
    else
        scroll_->setPageStep(pValue);
}

void UC_ListViewBar::SetSmallChange(int32_t pValue) {
    if (slider_)
        slider_->SetSmallChange(pValue);
    else
        scroll_->setSingleStep(pValue);
}

void UC_ListViewBar::Place(int32_t pLeft, int32_t pTop, int32_t pWidth, int32_t pHeight) {
    PlaceTwips(Widget(), pLeft, pTop, std::max(pWidth, Px()), std::max(pHeight, Px()));
}

void UC_ListViewBar::Prepare(float pRate) {
    if (!slider_) return;
    slider_->Init();
    slider_->SetPointerSize(pRate);
    SetValue(slider_->Value());
}

bool UC_ListViewBar::IsShown() const {
    return !Widget()->isHidden();
}

void UC_ListViewBar::SetShown(bool pShown) {
    Widget()->setVisible(pShown);
}
