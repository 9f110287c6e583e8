#include "app/OriginalsButton.h"
#include "app/ToolTips.h"

#include "services/store/SettingKeys.h"
#include "services/store/Settings.h"
#include "services/ui/Pickers.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QMenu>

namespace app {

using results::KeepOriginal;

namespace {

struct ChoiceText {
    KeepOriginal Keep;
    const char* Stored; // the setting's value
    const char* Menu;   // the menu item
    const char* Shown;  // the button's caption after "Originals: "
};

constexpr std::array<ChoiceText, 3> kChoices = {{
    {KeepOriginal::Trash, "Trash", "Move Originals to the &Trash", "Trash"},
    {KeepOriginal::Backup, "Backup", "Copy Originals to a &Backup Folder...", "Backup"},
    {KeepOriginal::None, "None", "Keep &No Originals (no undo)", "Not Kept"},
}};

const ChoiceText& TextOf(KeepOriginal pKeep) {
    return kChoices[size_t(pKeep)];
}

QString LocalText(const std::string& pText) {
    return QFile::decodeName(pText.c_str());
}

std::string WithoutTrailingSlash(std::string pFolder) {
    while (pFolder.size() > 1 && pFolder.back() == '/')
        pFolder.pop_back();
    return pFolder;
}

} // namespace

OriginalsButton::OriginalsButton(QWidget* pParent) : QPushButton(pParent) {
    setAccessibleName(QStringLiteral("Originals"));
    auto* menu = new QMenu(this);
    auto* group = new QActionGroup(this);
    for (const ChoiceText& choice : kChoices) {
        QAction* action = menu->addAction(QString::fromLatin1(choice.Menu));
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, keep = choice.Keep] { Choose(keep); });
        m_Choices[size_t(choice.Keep)] = action;
    }
    setMenu(menu);
    Load();
}

void OriginalsButton::Choose(KeepOriginal pKeep) {
    if (pKeep == KeepOriginal::Backup) {
        // Asked each time: choosing Backup again is how the folder is changed.
        const std::string start = m_Rule.BackupDir.empty()
                                      ? QFile::encodeName(QDir::homePath()).toStdString()
                                      : m_Rule.BackupDir;
        const std::string folder =
            m_PickFolder ? m_PickFolder(window(), start)
                         : PickFolder(start, "Choose the backup folder for originals", window());
        if (folder.empty() || folder.front() != '/') return ShowRule(); // cancelled
        m_Rule.BackupDir = WithoutTrailingSlash(folder);
    }
    m_Rule.Keep = pKeep;
    Store();
    ShowRule();
    emit RuleChosen();
}

// A Backup without a folder, or a value this version does not know, reads as the Trash.
void OriginalsButton::Load() {
    const std::string stored =
        ReadSettingText(keys::kOriginals, TextOf(KeepOriginal::Trash).Stored);
    m_Rule.BackupDir = WithoutTrailingSlash(ReadSettingText(keys::kBackupFolder, ""));
    m_Rule.Keep = KeepOriginal::Trash;
    for (const ChoiceText& choice : kChoices)
        if (stored == choice.Stored) m_Rule.Keep = choice.Keep;
    if (m_Rule.Keep == KeepOriginal::Backup && m_Rule.BackupDir.empty())
        m_Rule.Keep = KeepOriginal::Trash;
    ShowRule();
}

void OriginalsButton::Store() const {
    WriteSettingText(keys::kOriginals, TextOf(m_Rule.Keep).Stored);
    WriteSettingText(keys::kBackupFolder, m_Rule.BackupDir);
}

void OriginalsButton::ShowRule() {
    const ChoiceText& now = TextOf(m_Rule.Keep);
    m_Choices[size_t(m_Rule.Keep)]->setChecked(true);
    setText(QStringLiteral("Originals: ") + QString::fromLatin1(now.Shown));
    QString value;
    QString what = QStringLiteral("what OverWrite does with each file it replaces (Space opens "
                                  "the choices); ");
    switch (m_Rule.Keep) {
    case KeepOriginal::Trash:
        value = QStringLiteral("to the Trash");
        break;
    case KeepOriginal::Backup:
        value = QStringLiteral("copied into ") + LocalText(m_Rule.BackupDir);
        break;
    case KeepOriginal::None:
        value = QStringLiteral("not kept");
        break;
    }
    what += m_Rule.Keep == KeepOriginal::None
                ? QStringLiteral("replaced files cannot be got back")
                : QStringLiteral("Undo Last Run (Ctrl+Z) puts the originals back");
    setToolTip(Tip(QStringLiteral("Originals"), value, what));
    setAccessibleDescription(value);
}

} // namespace app
