#pragma once
// The button beside OverWrite that says, and with its menu sets, what becomes of each original
// a run replaces: the Trash, a copy in a backup folder, or nothing. The choice is stored at
// once and read back at the next start.

#include "services/core/Originals.h"

#include <QPushButton>

#include <array>
#include <functional>
#include <string>

class QAction;

namespace app {

class OriginalsButton : public QPushButton {
    Q_OBJECT

  public:
    explicit OriginalsButton(QWidget* pParent);

    // The rule the next file replaced follows.
    const results::OriginalsRule& Rule() const { return m_Rule; }
    // Asks for the backup folder when Backup is chosen (the platform's folder dialog unless
    // replaced): the chosen folder, empty when cancelled.
    using FolderPicker = std::function<std::string(QWidget* pOwner, const std::string& pStart)>;
    void SetFolderPicker(FolderPicker pPicker) { m_PickFolder = std::move(pPicker); }
    // Takes pKeep as the menu does (Backup asks for its folder; cancelled, nothing changes).
    void Choose(results::KeepOriginal pKeep);

  signals:
    // A new rule was chosen.
    void RuleChosen();

  private:
    void Load();
    void Store() const;
    void ShowRule();

    results::OriginalsRule m_Rule;
    FolderPicker m_PickFolder;
    std::array<QAction*, 3> m_Choices{}; // in KeepOriginal's order
};

} // namespace app
