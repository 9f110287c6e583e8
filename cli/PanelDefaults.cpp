#include "cli/PanelDefaults.h"

#include "services/core/Paths.h"
#include "services/job/PanelSettings.h"

#include <cstdlib>

namespace cli {

const std::vector<std::string>& PanelSettingKeys() {
    return panel::PanelSettingKeys();
}

void ApplyStoredPanel(Options& pOptions, const SettingReader& pRead) {
    const panel::PanelSettings stored =
        panel::ReadPanelSettings([&](const std::string& pKey, const std::string& pDefault) {
            return pRead(pKey, pDefault);
        });
    pOptions.Edit = panel::PanelJob(stored, stored);

    // A relative Output To is a folder of the home folder, as in the window.
    const char* home = std::getenv("HOME");
    const std::string folder = panel::OutputFolder(stored.SoundPath, home ? home : "");
    if (stored.OverWrite != 0) {
        pOptions.Output = OutputMode::Overwrite;
    } else if (!folder.empty() && FolderExists(folder)) {
        pOptions.Output = OutputMode::Folder;
        pOptions.OutputDir = folder;
    }
}

} // namespace cli
