#include "widgets/forms/FlowLayout.h"

namespace olv {

namespace {

void SetClientWidth(TFlowPanel& p, int value) {
  p.width += value - p.clientWidth;
  p.clientWidth = value;
}

void SetClientHeight(TFlowPanel& p, int value) {
  p.height += value - p.clientHeight;
  p.clientHeight = value;
}

void SetWidth(TFlowPanel& p, int value) {
  p.clientWidth += value - p.width;
  p.width = value;
}

void SetHeight(TFlowPanel& p, int value) {
  p.clientHeight += value - p.height;
  p.height = value;
}

}  // namespace

TFlowResult FlowLayout(const TFlowPanel& panel, const std::vector<TFlowChild>& children, TCtrlAlignMode mode,
                       int ctrlWidth, int ctrlHeight) {
  TFlowResult out{panel, children};
  if (mode == TCtrlAlignMode::camNone || children.empty()) return out;
  TFlowPanel& p = out.panel;
  const bool horz = mode == TCtrlAlignMode::camHorz;
  bool first = true;
  int x = 0, y = 0, firstX = 0, firstY = 0, right = 0, bottom = 0;
  for (TFlowChild& child : out.children) {
    if (!child.visible) continue;
    TRect& r = child.rect;
    if (ctrlWidth > 0) r.width = ctrlWidth;
    if (ctrlHeight > 0) r.height = ctrlHeight;
    if (first) {
      first = false;
      x = firstX = r.left;
      y = firstY = r.top;
    } else {
      if (p.autoSize && horz) {
        if (p.hasParent && p.width > p.parentClientWidth) SetWidth(p, p.parentClientWidth);
        if (r.width + x > p.clientWidth) {
          if (r.height + bottom > p.clientHeight && (p.align == TAlign::alLeft || p.align == TAlign::alRight)) {
            if (p.hasParent && r.width + p.width >= p.parentClientWidth) {
              SetClientHeight(p, r.height + bottom);
            } else {
              SetClientWidth(p, r.width + x);
            }
          } else {
            SetClientHeight(p, r.height + bottom);
          }
          if (r.height + bottom <= p.clientHeight) {
            x = firstX;
            y = bottom;
          }
        }
      } else if (p.autoSize) {
        if (p.hasParent && p.height > p.parentClientHeight) SetHeight(p, p.parentClientHeight);
        if (r.height + y > p.clientHeight) {
          if (r.width + right > p.clientWidth && (p.align == TAlign::alTop || p.align == TAlign::alBottom)) {
            if (p.hasParent && r.height + p.height >= p.parentClientHeight) {
              SetClientWidth(p, r.width + right);
            } else {
              SetClientHeight(p, r.height + y);
            }
          } else {
            SetClientWidth(p, r.width + right);
          }
          if (r.width + right <= p.clientWidth) {
            x = right;
            y = firstY;
          }
        }
      }
      r.left = x;
      r.top = y;
    }
    right = r.width + x;
    bottom = r.height + y;
    if (horz) {
      x = right;
    } else {
      y = bottom;
    }
  }
  return out;
}

}  // namespace olv
