#include "WindowDrop.h"

#include "controls/UC_ListView.h"

#include <QApplication>
#include <QDropEvent>
#include <QList>
#include <QUrl>

namespace testwindow {

DropResult DropOn(QWidget* target, QPoint at, const QMimeData& mime, Qt::DropActions possible,
                  Qt::DropAction proposed, Qt::KeyboardModifiers mods) {
    DropResult result;
    QDragEnterEvent enter(at, possible, &mime, Qt::LeftButton, mods);
    enter.setDropAction(proposed);
    QApplication::sendEvent(target, &enter);
    result.Entered = enter.isAccepted();
    if (!result.Entered) return result;
    QDropEvent drop(QPointF(at), possible, &mime, Qt::LeftButton, mods);
    drop.setDropAction(proposed);
    QApplication::sendEvent(target, &drop);
    result.Accepted = drop.isAccepted();
    result.Action = result.Accepted ? drop.dropAction() : Qt::IgnoreAction;
    return result;
}

void SetLocalFiles(QMimeData& mime, const std::vector<std::string>& paths) {
    QList<QUrl> urls;
    for (const auto& p : paths)
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
    mime.setUrls(urls);
}

DropResult DropFiles(app::FrmMain& window, const std::vector<std::string>& paths) {
    QMimeData mime;
    SetLocalFiles(mime, paths);
    return DropOn(window.LV()->PictureList(), QPoint(7, 7), mime, Qt::CopyAction | Qt::MoveAction,
                  Qt::CopyAction, Qt::ControlModifier);
}

} // namespace testwindow
