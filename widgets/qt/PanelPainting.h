#pragma once
// Painting shared by the library's panels and tool bars: the banded colour gradient and the
// parent's image under a control. GUI thread only.
#include <QColor>
#include <QRect>

#include "widgets/forms/PanelBackground.h"

class QPainter;
class QWidget;

namespace olv {

QColor ToQColor(TColor color);

// Fills rect with the bands of GradientBands from begin at the left (top when vertical) to end.
void DrawGradient(QPainter& painter, const QRect& rect, TColor begin, bool vertical, TColor end);

// Paints the part of control's parent that lies under control (the parent itself, not its other
// children) onto painter, whose origin is control's top-left corner. Nothing without a parent.
void DrawParentBackground(const QWidget& control, QPainter& painter);

}  // namespace olv
