#pragma once
// The flow layout of a gradient panel: its visible children lined up in rows (camHorz) or columns
// (camVert) from the first child's place, each given the panel's CtrlWidth and CtrlHeight when
// those are above 0. With AutoSize the panel wraps a child that does not fit to a new row or
// column and grows so that it fits, within its parent's client area.
//
// The window side hands over the panel's and children's geometry and applies what comes back.
// Pure function; any thread.
#include <cstdint>
#include <vector>

#include "widgets/forms/DesignSize.h"

namespace olv {

enum class TCtrlAlignMode : std::uint8_t { camNone = 0, camHorz = 1, camVert = 2 };
// The edge a control is docked to; the flow layout only asks which one.
enum class TAlign : std::uint8_t { alNone = 0, alTop = 1, alBottom = 2, alLeft = 3, alRight = 4, alClient = 5 };

struct TFlowPanel {
  int width = 0, height = 0;              // outer size
  int clientWidth = 0, clientHeight = 0;  // inside the borders; outer minus client stays constant
  TAlign align = TAlign::alNone;
  bool autoSize = false;
  bool hasParent = false;
  int parentClientWidth = 0, parentClientHeight = 0;
};

struct TFlowChild {
  TRect rect;
  bool visible = true;  // invisible children are left alone (at design time all would count)
};

struct TFlowResult {
  TFlowPanel panel;                // with the panel's new size
  std::vector<TFlowChild> children;  // in the order given, with their new places
};

// Lays the children out; with mode camNone or no children, everything is returned unchanged.
TFlowResult FlowLayout(const TFlowPanel& panel, const std::vector<TFlowChild>& children, TCtrlAlignMode mode,
                       int ctrlWidth, int ctrlHeight);

}  // namespace olv
