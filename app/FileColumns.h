#pragma once
// The columns of the window's file list and the hidden value kept with each row.

#include <array>
#include <cstdint>
#include <string>

class UC_ListView;

namespace app {

enum class FileColumn : int32_t { Title, Length, Format };
inline constexpr int32_t kFileColumnCount = 3;

// The list's data column of a file column.
constexpr int32_t ColumnIndex(FileColumn pColumn) {
    return int32_t(pColumn);
}

// The hidden value of a row that holds the file's full path.
inline constexpr int32_t kPathAux = 0;
// The file path row pRow holds, in the file system's encoding; empty when it names none.
std::string PathOfRow(const UC_ListView& pList, int32_t pRow);

// Caption and designed width (twips) of each column, in column order.
struct FileColumnLayout {
    FileColumn Column;
    const char* Name;
    int32_t Width;
};
inline constexpr std::array<FileColumnLayout, kFileColumnCount> kFileColumns = {{
    {FileColumn::Title, "Title", 3600},
    {FileColumn::Length, "Length", 1050},
    {FileColumn::Format, "Format", 2700},
}};

} // namespace app
