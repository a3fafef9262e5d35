#include "widgets/forms/Screen.h"

#include "foundation/expr/ExpTranslator.h"
#include "widgets/forms/DesignSize.h"
#include "widgets/forms/FormTexts.h"

namespace olv {

TScreen::TScreen(const TScreenMetrics& metrics)
    : metrics_(metrics),
      horzSize_(TenthsOfMillimetre(metrics.width, metrics.horzDpi)),
      vertSize_(TenthsOfMillimetre(metrics.height, metrics.vertDpi)) {}

TScreen::~TScreen() {
  if (installed_ && ScreenObject(kScreenHandle) == this) SetScreenObject(nullptr);
}

void TScreen::Install() {
  installed_ = true;
  SetScreenObject(this);
}

void TScreen::ApplicationHint(const std::string& hint) {
  if (hintForm_) hintForm_->SetHintText(LongHint(hint));
}

void TScreen::ActiveControlChanged(bool hasControl, const std::string& hint) {
  if (hasControl && hintForm_) hintForm_->SetHintText(LongHint(hint));
}

void TScreen::ActiveFormChanged(const TActiveFormChange& change) {
  if (!change.form) return;
  if (change.form->HasHintBar()) {
    hintForm_ = change.form;
  } else if (change.mdiOwner && change.mdiOwner->HasHintBar()) {
    hintForm_ = change.mdiOwner;
  } else if (hintForm_ && !hintForm_->IsShowing()) {
    hintForm_ = nullptr;
  }
}

void TScreen::ShowProgress(const std::string& text, int position, int max) {
  if (!hintForm_) return;
  if (!text.empty()) {
    hintForm_->SetHintText(text);
    hintForm_->RepaintHintBar();
  }
  if (position < -1) {
    gauge_.reset();
    return;
  }
  if (position == -1) return;
  if (gauge_ && gauge_->Form() != hintForm_) {
    if (max < 1) max = gauge_->Max();
    gauge_.reset();
  }
  if (!gauge_) gauge_ = hintForm_->CreateProgressGauge();
  if (!gauge_) return;
  if (max > 0 && max != gauge_->Max()) gauge_->SetMax(max);
  gauge_->SetPosition(position);
  gauge_->ShowNow();
}

void TScreen::FormDestroyed(const THintForm* form) {
  if (hintForm_ == form) hintForm_ = nullptr;
  if (gauge_ && gauge_->Form() == form) gauge_.reset();
}

TScreen* LiveScreen() { return dynamic_cast<TScreen*>(ScreenObject(kScreenHandle)); }

}  // namespace olv
