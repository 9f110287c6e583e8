#include "engine/FileIO.h"

int32_t ReadAt(void*, int32_t, int32_t, const std::string&, int64_t, int32_t, int64_t* pBytesRead) {
    if (pBytesRead) *pBytesRead = 0;
    return 0;
}
FileHandle WriteAt(const void*, int32_t, int64_t, FileHandle, const std::string&) {
    return 0;
}
int32_t SeekTo(FileHandle, int64_t) {
    return -1;
}
SeekParts SplitSeekPosition(int64_t) {
    return {0, 0};
}
int64_t GetSizeByHandle(FileHandle) {
    return -1;
}
int32_t GetFileSizeByPath(const std::string&, int64_t& pLength) {
    pLength = 0;
    return 0;
}
void WaitMs(int32_t, int32_t) {}
int32_t ToUInt32Field(int64_t) {
    return 0;
}
int64_t FromUInt32Field(int32_t) {
    return 0;
}
int32_t IsOdd(int64_t) {
    return 0;
}
FileHandle OpenForRead(const std::string&) {
    return 0;
}
FileHandle OpenForWrite(const std::string&) {
    return 0;
}
int32_t ReadByHandle(FileHandle, int64_t, void*, int32_t, int64_t* pBytesRead) {
    if (pBytesRead) *pBytesRead = 0;
    return 0;
}
int32_t SetEndOfFileAt(FileHandle, int64_t) {
    return 0;
}
void CloseFile(FileHandle) {}
