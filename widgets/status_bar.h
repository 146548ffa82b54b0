#pragma once

#include <QList>
#include <QStatusBar>
#include <QString>

#include <functional>

class QPainter;

namespace widgets {

// A status bar divided into panels of fixed widths, left to right, each showing a text or
// drawn by its owner through OnDrawPanel. Panels are addressed by index from 0.
class TStatusBar : public QStatusBar {
    Q_OBJECT

public:
    explicit TStatusBar(QWidget* parent = nullptr);

    // Replaces the panels by one per width (pixels); their texts start empty.
    void setPanelWidths(const QList<int>& widths);
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    int PanelWidth(int index) const;

    // The text of panel `index`; empty outside the panels.
    QString PanelText(int index) const;
    // Sets the text and repaints the panel; nothing outside the panels.
    void setPanelText(int index, const QString& text);

    // An owner-drawn panel shows no text: OnDrawPanel paints it.
    bool PanelOwnerDrawn(int index) const;
    void setPanelOwnerDrawn(int index, bool ownerDrawn);
    // Where panel `index` lies, inside its frame, in this widget's coordinates.
    QRect PanelRect(int index) const;

    // Paints an owner-drawn panel; the first argument is this status bar.
    std::function<void(TStatusBar* sender, int panel, QPainter& painter, const QRect& rect)>
        OnDrawPanel;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Panel {
        int width = 0;
        QString text;
        bool ownerDrawn = false;
    };
    bool contains(int index) const { return index >= 0 && index < PanelCount(); }

    QList<Panel> panels_;
};

} // namespace widgets
