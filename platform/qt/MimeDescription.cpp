#include "platform/qt/MimeDescription.h"

#include <QByteArray>
#include <QFile>
#include <QMimeDatabase>
#include <QString>

#include <fstream>

namespace platform {

namespace {

// The first bytes of the file, read by its own name (bytes that are not UTF-8 included).
QByteArray FileHead(const std::string& pPath) {
    constexpr std::streamsize kHeadBytes = 16384; // enough for every magic rule
    QByteArray head(int(kHeadBytes), '\0');
    std::ifstream in(pPath, std::ios::binary);
    in.read(head.data(), kHeadBytes);
    head.resize(int(in.gcount()));
    return head;
}

} // namespace

std::string MimeDescription(const std::string& pPath) {
    QMimeDatabase db;
    // The contents are read here, so a name that does not decode cleanly still gets its type;
    // the name only adds its extension.
    const QString name = QFile::decodeName(QByteArray::fromStdString(pPath));
    QMimeType type = db.mimeTypeForFileNameAndData(name, FileHead(pPath));
    if (!type.isValid()) return {};
    return type.comment().toStdString();
}

} // namespace platform
