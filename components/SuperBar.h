#pragma once
// TVorlentaBar: the main window's status bar. Unlike QStatusBar's own item
// layout it has panels of exact pixel widths, drawn left to right with their
// texts, and it accepts free child controls placed at fixed positions (the
// pie gauge lies over panel 0). A size grip sits at its right end.
//
// Font and colours are not set here, so they follow the parent window (no
// separate status-bar font). Children show their own tooltips.
#include <QStatusBar>
#include <QString>
#include <QVector>

namespace kodrix {

class TVorlentaBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TVorlentaBar(QWidget* parent = nullptr);

    int panelCount() const { return int(panels_.size()); }
    // Appends a panel of the given width; returns its index.
    int addPanel(int width, const QString& text = QString());

    // Index errors throw "List index out of bounds (%d)". Writing an equal
    // value does nothing; a change repaints the bar.
    int panelWidth(int index) const;
    void setPanelWidth(int index, int width);
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);

    // Where a panel lies on the bar. Panels follow each other from the left
    // edge; the last one reaches to the right end (the size grip's corner).
    QRect panelRect(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Panel {
        int width;
        QString text;
    };
    const Panel& panel(int index) const;

    QVector<Panel> panels_;
};

}  // namespace kodrix
