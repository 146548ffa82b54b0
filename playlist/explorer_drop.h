#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class QDropEvent;

namespace playlist {

// Makes one control accept files dragged from the file manager or the desktop (drops that come
// from outside this application, as text/uri-list with local files) and hands the dropped
// names to its owner with the drop point in the control's client coordinates (the viewport of
// a scroll area). Drags that start inside the application and every other event reach the
// control unchanged.
class TExplorerDrop : public QObject {
    Q_OBJECT

public:
    explicit TExplorerDrop(QObject* parent = nullptr);
    ~TExplorerDrop() override;
    TExplorerDrop(const TExplorerDrop&) = delete;
    TExplorerDrop& operator=(const TExplorerDrop&) = delete;

    // Whether the attached control accepts drops. Ignored while no control is attached.
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // When off, only names of existing files are passed on; folders and names that do not
    // exist are refused through OnFolderNotAllowed.
    bool AllowFolders() const { return allowFolders_; }
    void setAllowFolders(bool allowFolders) { allowFolders_ = allowFolders; }
    // Attaching a control enables the target; none detaches it and disables the target.
    // Attaching another control detaches the previous one first.
    QWidget* DestinationControl() const { return destination_; }
    void setDestinationControl(QWidget* control);

    // Event properties; an unset one is skipped. The first argument is this component.
    std::function<void(QObject* sender)> OnBeginDrop;
    // Raised last for every drop, also when no name was accepted. `files` is reused by the
    // next drop, so handlers copy what they keep.
    std::function<void(QObject* sender, const QStringList& files, int fileCount, int x, int y)>
        OnDropped;
    std::function<void(QObject* sender, const QString& fileName)> OnFolderNotAllowed;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attach(QWidget* control);
    void detach();
    void handleDrop(QDropEvent& event);

    QPointer<QWidget> destination_;
    // The widget that receives the drag events: the control, or its viewport.
    QPointer<QWidget> target_;
    bool previousAcceptDrops_ = false;
    bool enabled_ = false;
    bool allowFolders_ = false;
    QStringList files_;
    int fileCount_ = 0;
};

} // namespace playlist
