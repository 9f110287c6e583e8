#pragma once
// The real edit engine behind the runner, and the reasons it gives for a refused file.

#include "cli/BatchRunner.h"

namespace cli {

// An Editor that runs C_EditWave::EditWave.
std::unique_ptr<Editor> MakeEngineEditor();

// Why a file the engine did not finish failed: missing, not a WAV file it can edit (and
// what it is), disk full where the result was going, or a failed edit.
std::string ExplainFailure(const std::string& source, const std::string& targetFolder,
                           const EditOutcome& outcome);

} // namespace cli
