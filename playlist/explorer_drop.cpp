#include "playlist/explorer_drop.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace playlist {

namespace {

// A drag from the file manager: no source inside this application and at least one local file.
bool isShellDrag(const QDropEvent& event) {
    if (event.source() != nullptr || event.mimeData() == nullptr || !event.mimeData()->hasUrls()) {
        return false;
    }
    const QList<QUrl> urls = event.mimeData()->urls();
    return std::any_of(urls.cbegin(), urls.cend(),
                       [](const QUrl& url) { return url.isLocalFile(); });
}

QWidget* dropTargetOf(QWidget* control) {
    if (auto* scrollArea = qobject_cast<QAbstractScrollArea*>(control)) {
        return scrollArea->viewport();
    }
    return control;
}

} // namespace

TExplorerDrop::TExplorerDrop(QObject* parent) : QObject(parent) {}

TExplorerDrop::~TExplorerDrop() {
    detach();
}

void TExplorerDrop::setEnabled(bool enabled) {
    if (target_ == nullptr) {
        return;
    }
    enabled_ = enabled;
    target_->setAcceptDrops(enabled);
}

void TExplorerDrop::setDestinationControl(QWidget* control) {
    if (control == destination_ && control != nullptr) {
        return;
    }
    if (control == nullptr) {
        setEnabled(false);
        detach();
        return;
    }
    detach();
    attach(control);
    setEnabled(true);
}

void TExplorerDrop::attach(QWidget* control) {
    destination_ = control;
    target_ = dropTargetOf(control);
    previousAcceptDrops_ = target_->acceptDrops();
    target_->installEventFilter(this);
}

void TExplorerDrop::detach() {
    if (target_ != nullptr) {
        target_->removeEventFilter(this);
        target_->setAcceptDrops(previousAcceptDrops_);
    }
    target_ = nullptr;
    destination_ = nullptr;
    enabled_ = false;
}

bool TExplorerDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != target_ || !enabled_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto& drag = static_cast<QDragMoveEvent&>(*event);
        if (!isShellDrag(drag)) {
            return false;
        }
        drag.setDropAction(Qt::CopyAction);
        drag.accept();
        return true;
    }
    case QEvent::Drop: {
        auto& drop = static_cast<QDropEvent&>(*event);
        if (!isShellDrag(drop)) {
            return false;
        }
        handleDrop(drop);
        return true;
    }
    default:
        return false;
    }
}

void TExplorerDrop::handleDrop(QDropEvent& event) {
    if (OnBeginDrop) {
        OnBeginDrop(this);
    }
    files_.clear();
    const QPoint point = event.position().toPoint();
    const QList<QUrl> urls = event.mimeData()->urls();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) {
            continue;
        }
        const QString name = url.toLocalFile();
        if (allowFolders_ || QFileInfo(name).isFile()) {
            files_.append(name);
        } else if (OnFolderNotAllowed) {
            OnFolderNotAllowed(this, name);
        }
    }
    event.setDropAction(Qt::CopyAction);
    event.accept();
    fileCount_ = static_cast<int>(files_.size());
    if (OnDropped) {
        OnDropped(this, files_, fileCount_, point.x(), point.y());
    }
}

} // namespace playlist
