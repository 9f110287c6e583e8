#include "platform/qt/MimeDescription.h"

#include <QMimeDatabase>
#include <QString>

namespace platform {

std::string MimeDescription(const std::string& pPath) {
    QMimeDatabase db;
    QMimeType type = db.mimeTypeForFile(QString::fromStdString(pPath));
    if (!type.isValid()) return {};
    return type.comment().toStdString();
}

} // namespace platform
