#include "services/ui/Pickers.h"

#include "platform/core/Events.h"
#include "services/core/ErrorLog.h"
#include "services/core/Paths.h"
#include "services/ui/Fonts.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr int32_t FlagOverwritePrompt = 0x2;
constexpr int32_t FlagFileMustExist = 0x1000;
constexpr int32_t DefaultSaveFlags = 0x80006;
constexpr int32_t DefaultOpenFlags = 0x81104;

std::string CurrentFolder() {
    std::error_code ec;
    const auto path = std::filesystem::current_path(ec);
    return ec ? std::string() : path.string();
}

std::vector<std::string> SplitAt(const std::string& pText, char pSeparator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = pText.find(pSeparator, start);
        parts.push_back(pText.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// "description|pattern|description|pattern"; several patterns of one pair are
// separated by ";". A description without a pattern is dropped.
std::vector<platform::FileDialogFilter> ParseFilterPairs(const std::string& pFilter) {
    std::vector<platform::FileDialogFilter> filters;
    if (pFilter.empty()) return filters;
    const std::vector<std::string> parts = SplitAt(pFilter, '|');
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        platform::FileDialogFilter pair{parts[i], {}};
        for (const std::string& pattern : SplitAt(parts[i + 1], ';'))
            if (std::string trimmed = CutAtNul(pattern); !trimmed.empty())
                pair.Patterns.push_back(std::move(trimmed));
        if (!pair.Patterns.empty()) filters.push_back(std::move(pair));
    }
    return filters;
}

int32_t EffectiveFlags(int32_t pIsSave, int32_t pFlags) {
    if (pFlags != -1) return pFlags;
    return pIsSave == 1 ? DefaultSaveFlags : DefaultOpenFlags;
}

} // namespace

std::string_view DefaultFolderTitleFor(int32_t pLangMode) {
    return pLangMode == 1 ? EnglishFolderTitle : DefaultFolderTitle;
}

platform::FolderDialogRequest FolderPickRequest(const std::string& pStartPath,
                                                const std::string& pTitle,
                                                const std::string& pCurrentDir) {
    platform::FolderDialogRequest request;
    request.StartFolder = CutAtNul(pStartPath).empty() ? pCurrentDir : SetBackslash(pStartPath, 1);
    request.Title = pTitle.empty() ? std::string(DefaultFolderTitleFor(LangMode)) : pTitle;
    return request;
}

std::string FolderPickResult(const std::optional<std::string>& pChosen) {
    if (!pChosen) return {};
    const std::string folder = CutAtNul(*pChosen);
    if (folder.empty()) return {};
    return SetBackslash(folder, 0);
}

platform::FileDialogRequest FilePickRequest(int32_t pIsSave, const std::string& pFilter,
                                            const std::string& pInitialDir,
                                            const std::string& pFileName, int32_t pFlags) {
    const int32_t effective = EffectiveFlags(pIsSave, pFlags);
    platform::FileDialogRequest request;
    request.Save = pIsSave != 0;
    request.Filters = ParseFilterPairs(pFilter);
    request.InitialDir = pInitialDir;
    request.FileName = pFileName;
    request.ConfirmOverwrite = (effective & FlagOverwritePrompt) != 0;
    request.MustExist = (effective & FlagFileMustExist) != 0;
    return request;
}

std::string FilePickResult(const std::optional<std::string>& pChosen) {
    return pChosen ? CutAtNul(*pChosen) : std::string();
}

std::string PickFolder(const std::string& pStartPath, const std::string& pTitle, QWidget* pOwner) {
    try {
        const auto request = FolderPickRequest(pStartPath, pTitle, CurrentFolder());
        return FolderPickResult(platform::ShowFolderDialog(pOwner, request));
    } catch (...) {
        return {};
    }
}

std::string PickFile(QWidget* owner, int32_t isSave, const std::string& filter,
                     const std::string& pInitialDir, const std::string& fileName, int32_t flags) {
    return CatchUnlessDebugging(
        [&] {
            const auto request = FilePickRequest(isSave, filter, pInitialDir, fileName, flags);
            const auto chosen = platform::ShowFileDialog(owner, request);
            // Let the area the dialog covered repaint before the caller goes on.
            platform::PumpEvents();
            platform::PumpEvents();
            return FilePickResult(chosen);
        },
        std::string());
}

std::vector<std::string> PickFiles(QWidget* pOwner, const std::string& pFilter,
                                   const std::string& pInitialDir) {
    return CatchUnlessDebugging(
        [&] {
            const auto request = FilePickRequest(0, pFilter, pInitialDir, std::string(), -1);
            std::vector<std::string> chosen;
            for (const std::string& file : platform::ShowOpenFilesDialog(pOwner, request))
                if (std::string path = CutAtNul(file); !path.empty())
                    chosen.push_back(std::move(path));
            platform::PumpEvents();
            platform::PumpEvents();
            return chosen;
        },
        std::vector<std::string>());
}
