#include "app/PlayButtons.h"

#include "controls/AccessibleEvents.h"
#include "controls/DrawHelpers.h"

#include <QAction>
#include <QHBoxLayout>
#include <QToolButton>

#include <algorithm>

namespace app {

namespace {

// The row's design height and the gap between its buttons, twips.
constexpr int kRowTwips = 330;
constexpr int kGapTwips = 60;

} // namespace

PlayButtons::PlayButtons(QWidget* pParent, PreviewPlayer* pPlayer) : QWidget(pParent) {
    setAccessibleName(QStringLiteral("Listen"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(ToPx(kGapTwips));
    for (PreviewPlayer::What what : {PreviewPlayer::What::Result, PreviewPlayer::What::Source,
                                     PreviewPlayer::What::Start, PreviewPlayer::What::End})
        AddButton(row, pPlayer->Action(what));
    AddButton(row, pPlayer->StopAction());
    row->addStretch(1);
    m_LastPressed = m_Buttons.front();
    connect(pPlayer, &PreviewPlayer::PlayingChanged, this,
            [this](const QString& pNote) { FollowPlay(pNote); });
    FollowPlay(QString());
}

QToolButton* PlayButtons::AddButton(QHBoxLayout* pRow, QAction* pAction) {
    auto* button = new QToolButton(this);
    button->setText(pAction->text());
    button->setToolTip(pAction->toolTip());
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Tab reaches it; a click leaves the keys where they were (on the list, for its arrows).
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QToolButton::clicked, this, [this, button, pAction] {
        if (button != StopButton()) m_LastPressed = button;
        pAction->trigger();
    });
    pRow->addWidget(button);
    m_Buttons.push_back(button);
    return button;
}

int PlayButtons::HeightPx() const {
    return std::max(ToPx(kRowTwips), m_Buttons.front()->sizeHint().height());
}

void PlayButtons::FollowPlay(const QString& pNote) {
    const bool playing = !pNote.isEmpty();
    QToolButton* stop = StopButton();
    // A Stop that greys while it has the focus hands it to the button that started the play.
    if (!playing && stop->hasFocus()) m_LastPressed->setFocus(Qt::OtherFocusReason);
    stop->setEnabled(playing);
    for (QToolButton* button : m_Buttons) {
        // A reader speaks a change of the focused control's description: the pressed
        // button says what plays until it ends, then its tooltip again.
        const QString said = playing && button->hasFocus() ? pNote : QString();
        if (button->accessibleDescription() == said) continue;
        button->setAccessibleDescription(said);
        TellDescription(button);
    }
}

} // namespace app
