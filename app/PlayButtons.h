#pragma once
// The play buttons under the preview strip: Play Result, Play Source, Play Start, Play End and
// Stop Playing, each a button of its own in the Tab order that triggers the player's action
// (what its key and its menu item do). Stop can be pressed only while something plays; a
// play started from a button is told to a screen reader by that button as well.

#include "app/PreviewPlayer.h"

#include <QWidget>

#include <vector>

class QAction;
class QHBoxLayout;
class QToolButton;

namespace app {

class PlayButtons : public QWidget {
    Q_OBJECT

  public:
    PlayButtons(QWidget* pParent, PreviewPlayer* pPlayer);

    // The buttons in reading order, Stop last.
    const std::vector<QToolButton*>& Buttons() const { return m_Buttons; }
    QToolButton* ButtonOf(PreviewPlayer::What pWhat) const { return m_Buttons[size_t(pWhat)]; }
    QToolButton* StopButton() const { return m_Buttons.back(); }
    // The row's height, pixels.
    int HeightPx() const;

  private:
    QToolButton* AddButton(QHBoxLayout* pRow, QAction* pAction);
    void FollowPlay(const QString& pNote);

    std::vector<QToolButton*> m_Buttons;
    QToolButton* m_LastPressed = nullptr; // takes the focus back from a Stop that greys
};

} // namespace app
