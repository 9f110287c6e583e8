#include "cli/MetadataJson.h"

#include "cli/Reporter.h"
#include "engine/FileIO.h"
#include "engine/MetadataChunks.h"
#include "engine/WaveMMIO.h"

#include <algorithm>
#include <set>
#include <vector>

namespace cli {

namespace {

std::string Field(const std::string& pName, const std::string& pJson) {
    return JsonString(pName) + ": " + pJson;
}

// What a result would keep of the file (its chunks checked as an edit of nothing checks them).
MetadataChunks KeptOf(const std::string& pPath) {
    const FileHandle h = OpenForRead(pPath);
    if (h == 0) return {};
    const WaveInfo info = ReadWaveInfoFrom(h);
    const MetadataChunks read = ReadMetadataChunks(h, info);
    CloseFile(h);
    return AdjustMetadata(read, UnchangedEdit(info.SampleFrames));
}

std::string ChunkList(const MetadataChunks& pChunks) {
    std::string list;
    for (const MetadataChunk& chunk : pChunks.Kept) {
        std::string item = Field("id", JsonString(ChunkIdText(chunk.Id))) + ", " +
                           Field("size", std::to_string(chunk.Body.size()));
        if (const std::string type = ListType(chunk); !type.empty())
            item += ", " + Field("type", JsonString(type));
        list += (list.empty() ? "{" : ", {") + item + "}";
    }
    return "[" + list + "]";
}

// The first kMaxDroppedShown chunks left out (a damaged file may hold thousands of them).
constexpr size_t kMaxDroppedShown = 64;

std::string DroppedList(const MetadataChunks& pChunks) {
    std::string list;
    const size_t shown = std::min(pChunks.Dropped.size(), kMaxDroppedShown);
    for (const DroppedChunk& chunk :
         std::vector<DroppedChunk>(pChunks.Dropped.begin(), pChunks.Dropped.begin() + long(shown)))
        list += (list.empty() ? "{" : ", {") + Field("id", JsonString(ChunkIdText(chunk.Id))) +
                ", " + Field("size", std::to_string(chunk.Size)) + ", " +
                Field("reason", JsonString(chunk.Reason)) + "}";
    return "[" + list + "]";
}

// The INFO texts by id; a repeated id shows its first text.
std::string TagObject(const MetadataChunks& pChunks) {
    std::string object;
    std::set<std::string> seen;
    for (const auto& [id, text] : InfoTags(pChunks))
        if (seen.insert(id).second)
            object += (object.empty() ? "" : ", ") + Field(id, JsonString(text));
    return "{" + object + "}";
}

std::string BextObject(const MetadataChunks& pChunks) {
    const std::optional<BextText> bext = BextFields(pChunks);
    if (!bext) return "null";
    return "{" + Field("description", JsonString(bext->Description)) + ", " +
           Field("originator", JsonString(bext->Originator)) + ", " +
           Field("originator_reference", JsonString(bext->OriginatorReference)) + ", " +
           Field("origination_date", JsonString(bext->OriginationDate)) + ", " +
           Field("origination_time", JsonString(bext->OriginationTime)) + ", " +
           Field("time_reference", std::to_string(bext->TimeReference)) + ", " +
           Field("version", std::to_string(bext->Version)) + "}";
}

} // namespace

std::string MetadataJsonFields(const std::string& pPath, bool pKeep) {
    const MetadataChunks kept = pKeep ? KeptOf(pPath) : MetadataChunks{};
    return ", " + Field("metadata", ChunkList(kept)) + ", " + Field("dropped", DroppedList(kept)) +
           ", " + Field("tags", TagObject(kept)) + ", " + Field("bext", BextObject(kept));
}

} // namespace cli
