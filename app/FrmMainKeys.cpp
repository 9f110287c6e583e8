// The main window's keyboard order and the tooltips of its controls: what each
// control does and the value it holds now.

#include "app/FrmMain.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "engine/NormModes.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLineEdit>

#include <functional>
#include <vector>

namespace app {

namespace {

// Refreshes the tooltips just before one shows, so that what the window does not
// watch for them (the file count, the progress) is current as well.
class ToolTipRefresh : public QObject {
  public:
    ToolTipRefresh(std::function<void()> pRefresh, QObject* pParent)
        : QObject(pParent), m_Refresh(std::move(pRefresh)) {}

  protected:
    bool eventFilter(QObject*, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::ToolTip) m_Refresh();
        return false;
    }

  private:
    std::function<void()> m_Refresh;
};

QString Tip(const QString& pName, const QString& pValue, const QString& pWhat) {
    return pName + QStringLiteral(": ") + pValue + QStringLiteral(" \u2014 ") + pWhat;
}

QString OnOff(int32_t pValue) {
    return pValue != 0 ? QStringLiteral("on") : QStringLiteral("off");
}

QString Decibels(int32_t pValue, bool pSigned = false) {
    return (pSigned && pValue > 0 ? QStringLiteral("+") : QString()) + QString::number(pValue) +
           QStringLiteral(" dB");
}

QString Typed(const QLineEdit* pField, const QString& pUnit) {
    const QString text = pField->text().trimmed();
    return text.isEmpty() ? QStringLiteral("(empty)") : text + pUnit;
}

// A control that follows a switched-off box says so.
QString UnlessOff(const QString& pTip, const UC_Check* pBox) {
    if (pBox->Value() != 0) return pTip;
    return pTip + QStringLiteral(" (off while \"") + pBox->Caption() + QStringLiteral("\" is off)");
}

QString Files(int32_t pCount) {
    return pCount == 1 ? QStringLiteral("1 file") : QString::number(pCount) + " files";
}

} // namespace

void FrmMain::SetUpKeyboard() {
    m_LV->setFocusPolicy(Qt::StrongFocus); // a click and Tab both give it the keys
    std::vector<QWidget*> order = {m_CheckParm[0], m_SliderParm[0], m_SliderParm[1], m_TextParm[0],
                                   m_TextParm[1],  m_CheckParm[1],  m_SliderParm[2]};
    // Each option box is followed by the fields that stand beside it.
    for (size_t i = 0; i < m_CheckNormMode.size(); ++i) {
        order.push_back(m_CheckNormMode[i]);
        if (kNormModes[i].UsesGate) order.insert(order.end(), {m_TextParm[2], m_TextParm[3]});
        if (kNormModes[i].ByLoudness && m_TextCeiling) order.push_back(m_TextCeiling);
    }
    order.insert(order.end(),
                 {m_CheckClip, m_CheckParm[2], m_SliderParm[3], m_LV, m_CheckOw,
                  m_TextSoundPath->TextBox(), m_TextSoundPath->PickerButton(), m_CtrButtons});
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    auto* refresh = new ToolTipRefresh([this] { RefreshToolTips(); }, this);
    for (QWidget* control : order)
        control->installEventFilter(refresh);
    for (QWidget* other : std::initializer_list<QWidget*>{m_TextSoundPath, m_ProgBar})
        other->installEventFilter(refresh);
    for (UC_TextPicture* display : m_TextValue)
        display->installEventFilter(refresh);

    // The handlers of ConnectEvents run first: the tips see the rules' results.
    auto refreshNow = [this] { RefreshToolTips(); };
    for (UC_Check* box : m_CheckParm)
        connect(box, &UC_Check::Click, this, refreshNow);
    for (UC_Check* box : m_CheckNormMode)
        connect(box, &UC_Check::Click, this, refreshNow);
    connect(m_CheckClip, &UC_Check::Click, this, refreshNow);
    connect(m_CheckOw, &UC_Check::Click, this, refreshNow);
    for (UC_Slider* slider : m_SliderParm)
        connect(slider, &UC_Slider::Scrolled, this, refreshNow);
    for (QLineEdit* field : m_TextParm)
        connect(field, &QLineEdit::textChanged, this, refreshNow);
    connect(m_TextSoundPath, &UC_PathText::TextChange, this, refreshNow);
    RefreshToolTips();
}

void FrmMain::RefreshToolTips() {
    UC_Check* trim = m_CheckParm[0];
    UC_Check* normalize = m_CheckParm[1];
    UC_Check* adjust = m_CheckParm[2];
    trim->setToolTip(Tip(QStringLiteral("Trim Level"), OnOff(trim->Value()),
                         QStringLiteral("cuts the silence at the start and the end of each file")));
    const QString sliderTips[4] = {
        UnlessOff(Tip(QStringLiteral("Start threshold"), Decibels(m_SliderParm[0]->Value()),
                      QStringLiteral("silence below this level is trimmed from the start")),
                  trim),
        UnlessOff(Tip(QStringLiteral("End threshold"), Decibels(m_SliderParm[1]->Value()),
                      QStringLiteral("silence below this level is trimmed from the end")),
                  trim),
        UnlessOff(Tip(QStringLiteral("Normalize level"), Decibels(m_SliderParm[2]->Value()),
                      QStringLiteral("the level each file is brought to")),
                  normalize),
        UnlessOff(Tip(QStringLiteral("Level adjust"), Decibels(m_SliderParm[3]->Value(), true),
                      QStringLiteral("gain added to both channels of each file")),
                  adjust),
    };
    // A value display tells the same as its slider.
    for (size_t i = 0; i < 4; ++i) {
        m_SliderParm[i]->setToolTip(sliderTips[i]);
        m_TextValue[i]->setToolTip(sliderTips[i]);
    }
    m_TextParm[0]->setToolTip(
        UnlessOff(Tip(QStringLiteral("Start Margin"), Typed(m_TextParm[0], QStringLiteral(" ms")),
                      QStringLiteral("silence kept before the sound when the start is trimmed")),
                  trim));
    m_TextParm[1]->setToolTip(
        UnlessOff(Tip(QStringLiteral("End Margin"), Typed(m_TextParm[1], QStringLiteral(" ms")),
                      QStringLiteral("silence kept after the sound when the end is trimmed")),
                  trim));

    normalize->setToolTip(
        Tip(QStringLiteral("Normalize"), OnOff(normalize->Value()),
            QStringLiteral("brings each file to the level of its slider by the chosen mode")));
    for (size_t i = 0; i < m_CheckNormMode.size() && i < kNormModeCount; ++i) {
        UC_Check* mode = m_CheckNormMode[i];
        const std::string_view help = kNormModes[i].Help;
        mode->setToolTip(UnlessOff(
            Tip(mode->Caption(),
                mode->Value() != 0 ? QStringLiteral("chosen") : QStringLiteral("not chosen"),
                QStringLiteral("normalizes by ") +
                    QString::fromLatin1(help.data(), qsizetype(help.size()))),
            normalize));
    }
    m_TextParm[2]->setToolTip(
        Tip(QStringLiteral("RMS window"), Typed(m_TextParm[2], QStringLiteral(" ms")),
            QStringLiteral("RMS(Calc) leaves out silences longer than this")));
    m_TextParm[3]->setToolTip(
        Tip(QStringLiteral("RMS threshold"), Typed(m_TextParm[3], QStringLiteral(" dB")),
            QStringLiteral("RMS(Calc) counts as silence what stays this far below the peak")));
    if (m_TextCeiling)
        m_TextCeiling->setToolTip(
            Tip(QStringLiteral("True-peak ceiling"), Typed(m_TextCeiling, QStringLiteral(" dBTP")),
                QStringLiteral("Loudness lowers its gain so that no true peak passes this; "
                               "empty: no ceiling")));
    m_CheckClip->setToolTip(
        Tip(QStringLiteral("Clip"), OnOff(m_CheckClip->Value()),
            QStringLiteral("on lets the gain drive peaks past full scale; off limits the gain so "
                           "that peaks stay within it")));
    adjust->setToolTip(Tip(QStringLiteral("Level Adjust"), OnOff(adjust->Value()),
                           QStringLiteral("adds the gain of its slider to each file")));

    m_LV->setToolTip(Tip(QStringLiteral("Files"), Files(m_LV->ItemCount()),
                         QStringLiteral("drop WAV files here or press Ctrl+O; the arrows move, "
                                        "Shift extends, Ctrl+Space picks; Delete removes the "
                                        "selected rows")));
    m_ProgBar->setToolTip(Tip(QStringLiteral("Progress"),
                              m_RunState == 1
                                  ? QString::number(m_ProgBar->Value() / 10) + QStringLiteral("%")
                                  : QStringLiteral("idle"),
                              QStringLiteral("how far the file being processed has got")));
    m_CheckOw->setToolTip(Tip(QStringLiteral("OverWrite"), OnOff(m_CheckOw->Value()),
                              QStringLiteral("on replaces the source files with the results")));
    const QString outputTo =
        m_CheckOw->Value() != 0
            ? Tip(QStringLiteral("Output To"), QStringLiteral("not used"),
                  QStringLiteral("OverWrite is on: results replace the sources"))
            : Tip(QStringLiteral("Output To"),
                  m_TextSoundPath->Text().isEmpty() ? QStringLiteral("(empty)")
                                                    : m_TextSoundPath->Text(),
                  QStringLiteral("the folder the results are written to; "
                                 "empty writes them beside the sources; F4 or \"...\" picks one"));
    m_TextSoundPath->setToolTip(outputTo);
    m_TextSoundPath->TextBox()->setToolTip(outputTo);
    m_TextSoundPath->PickerButton()->setToolTip(
        Tip(QStringLiteral("Choose folder"),
            m_TextSoundPath->PickerButton()->isEnabled() ? QStringLiteral("available")
                                                         : QStringLiteral("not used"),
            QStringLiteral("picks the Output To folder (F4 in the box does the same)")));

    const QString files = Files(m_LV->ItemCount());
    m_CtrButtons->SetToolTip(
        QStringLiteral("Clear, Abort, Start \u2014 Left/Right choose, Space or Enter presses"));
    m_CtrButtons->SetButtonToolTip(
        0, Tip(QStringLiteral("Clear"), files, QStringLiteral("empties the file list")));
    m_CtrButtons->SetButtonToolTip(
        1, Tip(QStringLiteral("Abort"),
               m_RunState == 1 ? QStringLiteral("running") : QStringLiteral("no run"),
               QStringLiteral("stops the run after the file being processed")));
    m_CtrButtons->SetButtonToolTip(
        2, Tip(QStringLiteral("Start"), files,
               QStringLiteral("processes the files in the list with the settings above")));
}

} // namespace app
