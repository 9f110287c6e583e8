// Renders the controls in their typical states into one picture for a person
// to look at: $QUILLAN_BINARY_DIR/review/controls.png.

#include "ControlsTestSupport.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {

class Sheet {
  public:
    Sheet() : image_(980, 1400, QImage::Format_RGB32) { image_.fill(QColor(236, 236, 236)); }

    // Places a picture with its label below the previous row or beside it.
    void Add(const QString& label, const QImage& picture, bool newRow = true) {
        if (newRow) {
            y_ += rowHeight_ + 10;
            x_ = 10;
            rowHeight_ = 0;
        }
        QPainter p(&image_);
        p.setPen(Qt::black);
        p.drawText(x_, y_ + 12, label);
        p.drawImage(x_, y_ + 16, picture);
        rowHeight_ = std::max(rowHeight_, picture.height() + 16);
        x_ += std::max(picture.width(), p.fontMetrics().horizontalAdvance(label)) + 20;
    }

    bool Save(const QString& path) {
        return image_.copy(0, 0, image_.width(), std::min(image_.height(), y_ + rowHeight_ + 10))
            .save(path);
    }

  private:
    QImage image_;
    int x_ = 10, y_ = -10, rowHeight_ = 0;
};

QImage Grab(QWidget& w) {
    return w.grab().toImage();
}

void AddBackgroundStyles(Sheet& sheet) {
    bool first = true;
    for (int style = -1; style <= 15; ++style) {
        Surface s(50, 36);
        PaintBackground(s, style);
        sheet.Add(QString("style %1").arg(style), s.Image(), first || style == 8);
        first = false;
    }
    Surface set(120, 30);
    PaintColorSet(set, 0, 0x886868, false, 2);
    sheet.Add("colour set 1", set.Image());
    Surface frames(120, 30);
    frames.Clear();
    DrawCellFrame(frames, 0, 0, 900, 450, false);
    DrawCellFrame(frames, 900, 0, 900, 450, true);
    sheet.Add("cell frames raised, sunken", frames.Image(), false);
}

void AddSliders(Sheet& sheet) {
    UC_Slider plain;
    plain.setGeometry(0, 0, 182, 20);
    plain.SetMin(-60);
    plain.SetMax(0);
    plain.Init();
    plain.SetValue(-45);
    sheet.Add("slider -45 of -60..0", Grab(plain));

    UC_Slider held;
    held.setGeometry(0, 0, 182, 20);
    held.Init();
    held.SetValue(1000);
    Press(held, held.ArrowBox(1).center());
    sheet.Add("slider at max, right arrow held", Grab(held), false);
    Release(held, held.ArrowBox(1).center());

    UC_Slider flat;
    flat.setGeometry(0, 0, 182, 18);
    flat.SetNoGrad(true);
    flat.SetCenterLined(-1);
    flat.Init();
    flat.SetPointerSize(0.3f);
    flat.SetValue(500);
    sheet.Add("NoGrad, CenterLined, 30 % thumb", Grab(flat), false);

    UC_Slider vertical;
    vertical.setGeometry(0, 0, 18, 120);
    vertical.SetIsVertical(true);
    vertical.SetNoGrad(true);
    vertical.Init();
    vertical.SetPointerSize(0.25f);
    vertical.SetValue(700);
    sheet.Add("vertical", Grab(vertical));

    UC_Slider noArrow;
    noArrow.setGeometry(0, 0, 150, 20);
    noArrow.SetNoArrow(true);
    noArrow.Init();
    noArrow.SetValue(250);
    sheet.Add("no arrows", Grab(noArrow), false);
}

void AddButtons(Sheet& sheet) {
    for (int design = 0; design <= 3; ++design) {
        UC_Buttons b;
        b.resize(196, 22);
        b.SetNumButtons(3);
        b.SetDesignType(design);
        b.SetButtonChar(0, "Clear");
        b.SetButtonChar(1, "Abort");
        b.SetButtonChar(2, "Start");
        b.Init();
        b.SetButtonOn(0, 1, true);
        b.SetButtonDisable(1, 1, true, 0);
        b.DrawButton(2, 1);
        sheet.Add(QString("DesignType %1: on, disabled, pressed").arg(design), Grab(b),
                  design == 0 || design == 2);
    }
    UC_Buttons emboss;
    emboss.resize(196, 22);
    emboss.SetNumButtons(3);
    emboss.SetDisable3D(0);
    emboss.SetButtonCharNum();
    emboss.Init();
    emboss.SetSelectedButton(1);
    emboss.DrawButton(2, 2);
    sheet.Add("embossed: selected, hot", Grab(emboss));

    UC_Buttons ok;
    ok.SetOKCancel(1, 0, 1);
    sheet.Add("SetOKCancel(1, 0, 1)", Grab(ok), false);

    const std::function<void(UC_Buttons&)> presets[] = {
        [](UC_Buttons& b) { b.SetButtonsMCI(); }, [](UC_Buttons& b) { b.SetButtonsPCXplay(); },
        [](UC_Buttons& b) { b.SetButtonsEditorCtrl(); },
        [](UC_Buttons& b) { b.SetButtonsEditorPlay(); }};
    const char* names[] = {"MCI", "PCXplay", "EditorCtrl", "EditorPlay"};
    for (int i = 0; i < 4; ++i) {
        UC_Buttons b;
        b.resize(150, 24);
        presets[i](b);
        b.Init();
        b.DrawButton(1, 2);
        sheet.Add(QString("%1, button 1 hot").arg(names[i]), Grab(b), i == 0);
    }
    UC_Buttons strip;
    sheet.Add("icon strip", strip.PiclibHdc().Image().scaled(936, 72));
}

void AddSmallControls(Sheet& sheet) {
    UC_Bar empty;
    empty.setGeometry(0, 0, 300, 19);
    empty.Init();
    sheet.Add("bar 0", Grab(empty));
    UC_Bar half;
    half.setGeometry(0, 0, 300, 19);
    half.Init();
    half.SetStyle(9, true, QString(), 0x000000);
    half.SetTextToDisp("take.wav");
    half.SetValue(450);
    sheet.Add("bar 450 with text", Grab(half), false);

    const char* captions[] = {"Trim Level", "Normalize", "Clip"};
    for (int i = 0; i < 3; ++i) {
        UC_Check c;
        c.resize(10, 20);
        c.SetCaption(captions[i]);
        c.SetValue(i != 2);
        if (i == 1) c.SetEnabled(0);
        sheet.Add(i == 1 ? "check: disabled" : "check", Grab(c), i == 0);
    }
    for (int i = 0; i < 2; ++i) {
        UC_Check o;
        o.SetIsOption(1);
        o.resize(10, 19);
        o.SetCaption(i == 0 ? "Peak" : "RMS(Max)");
        o.SetValue(i == 0);
        sheet.Add("option", Grab(o), false);
    }

    UC_PathText path;
    path.resize(241, 18);
    path.Init();
    path.SetText("/home/user/out/");
    sheet.Add("path box", Grab(path));
    UC_PathText locked;
    locked.resize(241, 18);
    locked.Init();
    locked.SetText("/home/user/out/");
    locked.SetEnabled(0);
    const QPoint button = locked.ButtonArea().center();
    Press(locked, button);
    sheet.Add("path box disabled", Grab(locked), false);

    const int sets[] = {1, 0, 5};
    const char* texts[] = {"-45db", "0db", "20db"};
    for (int i = 0; i < 3; ++i) {
        UC_TextPicture tp;
        tp.resize(45, 20);
        tp.AddStdColorSet(sets[i]);
        tp.AddTextSpace();
        tp.Init();
        tp.DispMes(0, texts[i]);
        sheet.Add(QString("value display, set %1").arg(sets[i]), Grab(tp), i == 0);
    }
    UC_TextPicture plain;
    plain.resize(160, 36);
    plain.SetColor(4, false);
    plain.AddTextSpace(9, true, false, QString(), 60, 30);
    plain.AddTextSpace(8, false, true, QString(), -1, 270);
    plain.DispMes(0, "scheme 4, space 1 lit", true);
    plain.DispMes(1, "a long second line that is cut to fit", true);
    plain.Init();
    plain.Draw(1);
    sheet.Add("text picture, plain", Grab(plain), false);
}

} // namespace

class ReviewPicture : public ControlTest {};

TEST_F(ReviewPicture, WritesControlsPng) {
    const char* binary = std::getenv("QUILLAN_BINARY_DIR");
    const QString dir = QString(binary ? binary : ".") + "/review";
    ASSERT_TRUE(QDir().mkpath(dir));
    Sheet sheet;
    AddBackgroundStyles(sheet);
    AddSliders(sheet);
    AddButtons(sheet);
    AddSmallControls(sheet);
    const QString path = dir + "/controls.png";
    ASSERT_TRUE(sheet.Save(path));
    EXPECT_FALSE(QImage(path).isNull());
}
