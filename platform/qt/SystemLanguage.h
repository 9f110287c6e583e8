#pragma once
// The language of the user's locale (LC_ALL, LC_MESSAGES, LANG).

namespace platform {

bool SystemLanguageIsJapanese();

} // namespace platform
