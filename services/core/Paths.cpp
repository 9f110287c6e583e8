#include "services/core/Paths.h"

std::string PathPart(const std::string&, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return {};
}
std::string SetBackslash(const std::string&, int32_t) {
    return {};
}
std::string EnsureExtension(const std::string&, const std::string&) {
    return {};
}
int32_t FileExists(const std::string&) {
    return 0;
}
int32_t FolderExists(const std::string&) {
    return 0;
}
int32_t MakeFolder(const std::string&) {
    return 0;
}
int32_t DeleteFileForced(const std::string&) {
    return 0;
}
int32_t ReplaceFile(const std::string&, const std::string&, int32_t) {
    return 0;
}
std::string UniqueName(const std::string&, int32_t, int32_t, int32_t, int32_t) {
    return {};
}
std::string AppFolder() {
    return {};
}
std::string SystemFolder() {
    return {};
}
std::string CutAtNul(const std::string&) {
    return {};
}
