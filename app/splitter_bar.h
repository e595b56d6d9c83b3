#pragma once
#include <QWidget>
#include <functional>

namespace app {

// A thin bar between two aligned controls. Dragging it reports how far the
// pointer moved since the press along the bar's axis; the owner resizes
// the neighbours and lays the column out again.
class SplitterBar : public QWidget {
    Q_OBJECT

public:
    // Vertical bars split left from right and report horizontal moves;
    // horizontal bars split top from bottom and report vertical moves.
    SplitterBar(Qt::Orientation orientation, QWidget* parent);

    Qt::Orientation Orientation() const { return orientation_; }

    // Called on press with 0, then with the distance from the press point.
    std::function<void(SplitterBar* sender, int distance)> OnDrag;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int AxisOf(const QPointF& globalPosition) const;

    Qt::Orientation orientation_;
    bool dragging_ = false;
    int pressAt_ = 0;
};

}  // namespace app
