#pragma once
// The media information and the settings store need Qt and GStreamer. quillan-batch keeps
// them out of its own process: a small helper program, quillan-batch-media, answers for
// it, and is started only by the calls that need it (--info, --use-settings). A plain batch
// run stays small and starts fast.

#include "services/core/FieldText.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cli {

inline constexpr const char* kMediaHelperName = "quillan-batch-media";

struct AudioFacts {
    int32_t Valid = 0;
    int32_t LengthMs = 0;
    std::string Text;
    std::string Problem; // why the file is not valid
};

// GetAudioInfo of every path, in order; nothing (reason in error) when the helper fails.
std::optional<std::vector<AudioFacts>> AudioFactsOf(const std::vector<std::string>& pPaths,
                                                    std::string& pError);

// The stored values of the given settings keys; a missing key has no entry.
std::optional<std::map<std::string, std::string>>
StoredSettings(const std::vector<std::string>& pKeys, std::string& pError);

// Line protocol between the two programs: a text with '\\', tab and newline escaped.
using text::EscapeField;
using text::UnescapeField;

} // namespace cli
