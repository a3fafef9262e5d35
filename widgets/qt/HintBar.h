#pragma once
// A window's hint bar as the screen object's hint form shows hints and progress on it
// (widgets/forms/HintForm.h): a QStatusBar shows the text as its message; any other widget with a
// "text" property (a label in a status bar stands for a status panel) takes it as that property.
// The progress gauge is a thin red bar: a permanent widget when its host is a status bar, the last
// item when the host has a box layout, otherwise kept along the host's bottom (above the hint bar
// when that is docked there). Used by the library form (OlvForm.h) and by windows of the program
// that implement THintForm themselves. GUI thread only.
#include <QObject>
#include <memory>
#include <string>

#include "widgets/forms/HintForm.h"

class QWidget;

namespace olv {

// A null bar shows nothing.
void SetHintBarText(QObject* bar, const std::string& text);
void RepaintHintBarNow(QObject* bar);

// The gauge of form on host; hintBar (may be null) is the form's hint bar. The bar is the gauge's
// (its child of host), removed when the gauge goes.
std::unique_ptr<TProgressGauge> MakeProgressGauge(const THintForm* form, QWidget* host, QWidget* hintBar);

}  // namespace olv
