#include "WindowDrop.h"

#include "controls/UC_ListView.h"

#include <QList>
#include <QMimeData>
#include <QUrl>

namespace testwindow {

void DropFiles(app::FrmMain& window, const std::vector<std::string>& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const auto& p : paths)
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
    mime.setUrls(urls);
    window.LV()->DropData(&mime, 1, 1, 0, 100, 100);
}

} // namespace testwindow
