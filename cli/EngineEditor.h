#pragma once
// The real edit engine behind the runner, and the reasons it gives for a refused file.

#include "cli/BatchRunner.h"

namespace cli {

// An Editor that runs C_EditWave::Edit.
std::unique_ptr<Editor> MakeEngineEditor();

// Why a file the engine did not finish failed (FailureReason of the outcome's status and
// detail). Never starts the media helper.
std::string ExplainFailure(const std::string& pSource, const std::string& pTargetFolder,
                           const EditResult& pOutcome);

} // namespace cli
