#include "app/FileColumns.h"

#include "controls/UC_ListView.h"

#include <QFile>

namespace app {

std::string PathOfRow(const UC_ListView& pList, int32_t pRow) {
    return QFile::encodeName(pList.AuxID(pRow, kPathAux).Text()).toStdString();
}

} // namespace app
