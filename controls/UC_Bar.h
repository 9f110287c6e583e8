#pragma once

#include "controls/DrawHelpers.h"

#include <QString>
#include <QWidget>

#include <cstdint>

// A horizontal level or progress bar with an optional centred text. The user
// may drag it to set a value. Lengths are twips.
class UC_Bar : public QWidget {
    Q_OBJECT

  public:
    explicit UC_Bar(QWidget* parent = nullptr);

    // Lays out, prepares the empty and filled looks and draws 0 (Max 1000).
    void Init();
    // Font and text colour of TextToDisp.
    void SetStyle(float pSize, bool pBold, const QString& pName, Color pForeColor);

    int32_t Value() const { return value_; }
    // Ignored while the user holds the bar.
    void SetValue(int32_t v);
    int32_t Max() const { return max_; }
    void SetMax(int32_t v) { max_ = v; }
    QString TextToDisp() const { return text_; }
    void SetTextToDisp(const QString& t);
    int32_t Locked() const { return locked_; }
    void SetLocked(int32_t v) { locked_ = v; }
    int16_t Clicked() const { return clicked_; }

    // Control width less 4 px, twips.
    int32_t BarLength() const { return barLength_; }
    // Where the fill ends, twips from the control's left.
    int32_t FillEnd() const { return fillEnd_; }
    const Surface& Canvas() const { return canvas_; }

  signals:
    void MouseUD(bool IsDown);
    void Scrolled();
    void RightClicked(bool IsDown);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    void DrawFill(int32_t x);
    void DrawText();
    void FollowPointer(int x);
    void Redraw() { DrawFill(fillEnd_); }

    int32_t value_ = 0;
    int32_t max_ = 1000;
    QString text_;
    int32_t locked_ = 0;
    int16_t clicked_ = 0;
    int32_t barLength_ = 0;
    int32_t fillEnd_ = 0;
    int lastX_ = -1;
    bool initialised_ = false;
    Color textColor_ = platform::SystemColor(platform::kColorButtonText);

    Surface canvas_;
    Surface looks_; // upper half empty, lower half filled
};
