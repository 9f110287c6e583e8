#include "cli/UndoCommand.h"

#include "cli/Reporter.h"
#include "services/core/RunJournal.h"

namespace cli {

int RunUndo(const Options& pOptions, std::FILE* pOut, std::FILE* pErr) {
    const std::string journal = pOptions.Files.empty()
                                    ? results::LatestJournal(results::JournalFolder())
                                    : pOptions.Files.front();
    if (journal.empty()) {
        std::fprintf(pErr, "quillan-batch: no run to undo (no journal in %s)\n",
                     PrintableText(results::JournalFolder()).c_str());
        return 1;
    }
    const results::UndoReport report = results::UndoRun(journal);
    if (!report.Error.empty()) {
        std::fprintf(pErr, "quillan-batch: %s\n", PrintableText(report.Error).c_str());
        return 1;
    }
    for (const std::string& s : report.Restored)
        std::fprintf(pOut, "restored: %s\n", PrintableText(s).c_str());
    for (const std::string& s : report.Changed)
        std::fprintf(pErr, "quillan-batch: %s: changed since the run, left alone\n",
                     PrintableText(s).c_str());
    for (const std::string& s : report.Failed)
        std::fprintf(pErr, "quillan-batch: %s\n", PrintableText(s).c_str());
    if (!pOptions.Quiet)
        std::fprintf(pErr, "%zu restored, %d restored before, %zu left alone, %zu failed (%s)\n",
                     report.Restored.size(), report.AlreadyDone, report.Changed.size(),
                     report.Failed.size(), PrintableText(journal).c_str());
    return report.Changed.empty() && report.Failed.empty() ? 0 : 1;
}

} // namespace cli
