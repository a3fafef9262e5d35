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

// The columns of camVert are the rows of camHorz with the axes exchanged.
TRect Transposed(const TRect& r) { return {r.top, r.left, r.height, r.width}; }

TAlign Transposed(TAlign a) {
  switch (a) {
    case TAlign::alLeft: return TAlign::alTop;
    case TAlign::alRight: return TAlign::alBottom;
    case TAlign::alTop: return TAlign::alLeft;
    case TAlign::alBottom: return TAlign::alRight;
    default: return a;
  }
}

TFlowPanel Transposed(const TFlowPanel& p) {
  TFlowPanel t = p;
  t.width = p.height;
  t.height = p.width;
  t.clientWidth = p.clientHeight;
  t.clientHeight = p.clientWidth;
  t.parentClientWidth = p.parentClientHeight;
  t.parentClientHeight = p.parentClientWidth;
  t.align = Transposed(p.align);
  return t;
}

TFlowResult Transposed(TFlowResult r) {
  r.panel = Transposed(r.panel);
  for (TFlowChild& c : r.children) c.rect = Transposed(c.rect);
  return r;
}

// Rows: a child that does not fit beside the one before starts a new row under it.
void FlowRows(TFlowResult& out, int ctrlWidth, int ctrlHeight) {
  TFlowPanel& p = out.panel;
  bool first = true;
  int x = 0, y = 0, firstX = 0, right = 0, bottom = 0;
  for (TFlowChild& child : out.children) {
    if (!child.visible) continue;
    TRect& r = child.rect;
    if (ctrlWidth > 0) r.width = ctrlWidth;
    if (ctrlHeight > 0) r.height = ctrlHeight;
    if (first) {
      first = false;
      x = firstX = r.left;
      y = r.top;
    } else {
      if (p.autoSize) {
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
      }
      r.left = x;
      r.top = y;
    }
    right = r.width + x;
    bottom = r.height + y;
    x = right;
  }
}

}  // namespace

TFlowResult FlowLayout(const TFlowPanel& panel, const std::vector<TFlowChild>& children, TCtrlAlignMode mode,
                       int ctrlWidth, int ctrlHeight) {
  TFlowResult out{panel, children};
  if (mode == TCtrlAlignMode::camNone || children.empty()) return out;
  if (mode == TCtrlAlignMode::camHorz) {
    FlowRows(out, ctrlWidth, ctrlHeight);
    return out;
  }
  out = Transposed(std::move(out));
  FlowRows(out, ctrlHeight, ctrlWidth);
  return Transposed(std::move(out));
}

}  // namespace olv
