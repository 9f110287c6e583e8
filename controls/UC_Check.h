#pragma once

#include "controls/DrawHelpers.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

// A check box, or an option button when IsOption is set: a shaded box with a
// drawn check mark or dot and a caption to its right. Lengths are twips.
class UC_Check : public QWidget {
    Q_OBJECT

  public:
    explicit UC_Check(QWidget* parent = nullptr);

    int32_t Enabled() const { return enabled_; }
    void SetEnabled(int32_t v);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& v);
    int32_t Value() const { return value_; }
    void SetValue(int32_t v);
    int32_t IsOption() const { return isOption_; }
    void SetIsOption(int32_t v) { isOption_ = v; }
    float FontSize() const { return fontSize_; }
    void SetFontSize(float v) { fontSize_ = v; }

    // The box image; check boxes may share one. Writing null is ignored.
    std::shared_ptr<Surface> Gradhdc() const { return boxImage_; }
    void SetGradhdc(std::shared_ptr<Surface> v);

    // Background copied from pObj at (pX, pY) twips; pObj must outlive the
    // control or be released with CloseBGObj.
    void SetBGPic(int32_t pX, int32_t pY, const Surface* pObj);
    void CloseBGObj() { bgSource_ = nullptr; }

    void Draw();

    // Box top in pixels, for hosts and tests.
    int BoxTop() const { return boxTop_; }
    const Surface& Canvas() const { return canvas_; }

  signals:
    void Click();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    void Layout();
    void MakeBoxImage();
    void DrawMark();

    int32_t enabled_ = -1;
    QString caption_;
    int32_t value_ = 0;
    int32_t isOption_ = 0;
    float fontSize_ = 9;
    bool laidOut_ = false;
    int boxTop_ = 0;
    int captionY_ = 0;
    int32_t bgX_ = 0, bgY_ = 0;
    const Surface* bgSource_ = nullptr;
    std::shared_ptr<Surface> boxImage_;
    Surface canvas_;
};
