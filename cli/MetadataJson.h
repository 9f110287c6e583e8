#pragma once
// --info --json: the metadata chunks a result would carry, as JSON fields.

#include <string>

namespace cli {

// ", \"metadata\": [...], \"dropped\": [...], \"tags\": {...}, \"bext\": {...}" for the file
// at pPath: the chunks kept (id, size, LIST type), those left out with the reason (the first
// 64), the text fields of LIST/INFO and of bext (null without one). With pKeep false nothing
// is kept.
std::string MetadataJsonFields(const std::string& pPath, bool pKeep);

} // namespace cli
