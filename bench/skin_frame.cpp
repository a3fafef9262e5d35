// The skinned window on Qt: painting a 1280 x 800 skinned frame (sides, caption, text and
// buttons, then onto the window) and one of each skinned control, and making the window's outline
// after a resize. The peer, measured in the same run, is the desktop's own style (Fusion) drawing
// the same controls with the same options.
// Counters: frame_ms for the frame and controls (goal: under 2); vs_fusion our controls' time over
// Fusion's; big_allocs per frame once warm (allocations of 4 KiB or more, images among them; goal 0);
// mask_ms for the outline of a resized window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabWidget>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>

#include "resources/EmbeddedSkin.h"
#include "skin/qt/QtSkinning.h"
#include "skin/qt/WinSkinForm.h"

namespace {

std::atomic<long> gBigAllocs{0};

}  // namespace

void* operator new(std::size_t size) {
  if (size >= 4096) gBigAllocs.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;

QApplication& App() {
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_skin_frame";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return *app;
}

// One of each skinned control in a skinned dialog, with the options the style draws them from.
struct Controls {
  explicit Controls(skin::TQtSkinning& skinning) {
    skinning.Data().Skin3rd.push_back("TComboBox=combobox");
    skinning.Data().Skin3rd.push_back("TProgressBar=progress");
    skinning.PrepareForm(&dialog);
    button = new QPushButton("OK", &dialog);
    check = new QCheckBox("Check", &dialog);
    radio = new QRadioButton("Radio", &dialog);
    edit = new QLineEdit(&dialog);
    spin = new QSpinBox(&dialog);
    combo = new QComboBox(&dialog);
    progress = new QProgressBar(&dialog);
    slider = new QSlider(Qt::Horizontal, &dialog);
    memo = new QPlainTextEdit(&dialog);
    tabs = new QTabWidget(&dialog);
    tabs->addTab(new QWidget, "Tab");
    tree = new QTreeWidget(&dialog);
    tree->setHeaderLabels({"Name"});
    dialog.resize(400, 300);
    dialog.show();
    QApplication::processEvents();
  }
  // Draws them all onto p with style.
  void Draw(QStyle* style, QPainter& p) {
    QStyleOptionButton b;
    b.initFrom(button);
    b.rect = QRect(10, 10, 80, 24);
    b.text = "OK";
    style->drawControl(QStyle::CE_PushButton, &b, &p, button);
    b.rect = QRect(10, 40, 16, 16);
    b.state |= QStyle::State_On;
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &b, &p, check);
    b.rect = QRect(30, 40, 16, 16);
    style->drawPrimitive(QStyle::PE_IndicatorRadioButton, &b, &p, radio);
    QStyleOptionFrame f;
    f.initFrom(edit);
    f.rect = QRect(10, 60, 120, 22);
    f.lineWidth = 1;
    style->drawPrimitive(QStyle::PE_PanelLineEdit, &f, &p, edit);
    QStyleOptionSpinBox s;
    s.initFrom(spin);
    s.rect = QRect(10, 90, 80, 22);
    s.frame = true;
    s.subControls = QStyle::SC_All;
    s.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    style->drawComplexControl(QStyle::CC_SpinBox, &s, &p, spin);
    QStyleOptionComboBox c;
    c.initFrom(combo);
    c.rect = QRect(10, 120, 120, 22);
    c.subControls = QStyle::SC_All;
    style->drawComplexControl(QStyle::CC_ComboBox, &c, &p, combo);
    QStyleOptionProgressBar g;
    g.initFrom(progress);
    g.rect = QRect(10, 150, 200, 16);
    g.maximum = 100;
    g.progress = 40;
    style->drawControl(QStyle::CE_ProgressBarGroove, &g, &p, progress);
    style->drawControl(QStyle::CE_ProgressBarContents, &g, &p, progress);
    QStyleOptionSlider sl;
    sl.initFrom(slider);
    sl.orientation = Qt::Horizontal;
    sl.rect = QRect(10, 170, 200, 24);
    sl.maximum = 10;
    sl.sliderPosition = 3;
    sl.subControls = QStyle::SC_All;
    style->drawComplexControl(QStyle::CC_Slider, &sl, &p, slider);
    QStyleOptionSlider sb;
    sb.initFrom(memo->verticalScrollBar());
    sb.orientation = Qt::Vertical;
    sb.rect = QRect(300, 10, 16, 300);
    sb.maximum = 90;
    sb.pageStep = 10;
    sb.sliderPosition = 30;
    sb.subControls = QStyle::SC_All;
    style->drawComplexControl(QStyle::CC_ScrollBar, &sb, &p, memo->verticalScrollBar());
    QStyleOptionTab t;
    t.initFrom(tabs->tabBar());
    t.rect = QRect(10, 200, 80, 24);
    t.text = "Tab";
    style->drawControl(QStyle::CE_TabBarTab, &t, &p, tabs->tabBar());
    QStyleOptionHeader h;
    h.initFrom(tree->header());
    h.rect = QRect(10, 230, 120, 20);
    h.text = "Name";
    style->drawControl(QStyle::CE_Header, &h, &p, tree->header());
  }

  QDialog dialog;
  QPushButton* button;
  QCheckBox* check;
  QRadioButton* radio;
  QLineEdit* edit;
  QSpinBox* spin;
  QComboBox* combo;
  QProgressBar* progress;
  QSlider* slider;
  QPlainTextEdit* memo;
  QTabWidget* tabs;
  QTreeWidget* tree;
};

void BM_SkinnedFrameAndControls(benchmark::State& state) {
  App();
  skin::TQtSkinning skinning(resources::EmbeddedSkinPackage());
  QDialog window;
  window.resize(1272, 772);  // 1280 x 800 with the frame
  skinning.PrepareForm(&window);
  skin::TWinSkinForm* form = skinning.FormOf(&window);
  Controls controls(skinning);
  QImage target(1280, 800, QImage::Format_RGB32);
  QStyle* style = QApplication::style();
  const auto frame = [&] {
    form->RenderFrame();
    QPainter p(&target);
    form->PaintFrame(p, target.rect());
    controls.Draw(style, p);
  };
  frame();  // warm
  const long before = gBigAllocs.load();
  long frames = 0;
  const auto start = Clock::now();
  for (auto _ : state) {
    frame();
    ++frames;
  }
  const double ours = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / std::max(frames, 1L);
  state.counters["frame_ms"] = ours;
  state.counters["big_allocs"] = static_cast<double>(gBigAllocs.load() - before) / std::max(frames, 1L);

  // The peer: the same controls by the desktop's style, and ours alone, each 200 times.
  std::unique_ptr<QStyle> fusion(QStyleFactory::create("Fusion"));
  const auto time = [&](QStyle* s) {
    QPainter p(&target);
    const auto t0 = Clock::now();
    for (int i = 0; i < 200; ++i) controls.Draw(s, p);
    return std::chrono::duration<double>(Clock::now() - t0).count();
  };
  const double skinned = time(style), desktop = time(fusion.get());
  state.counters["vs_fusion"] = skinned / desktop;
}
BENCHMARK(BM_SkinnedFrameAndControls)->Unit(benchmark::kMillisecond);

void BM_ResizeMask(benchmark::State& state) {
  App();
  skin::TQtSkinning skinning(resources::EmbeddedSkinPackage());
  QDialog window;
  window.resize(1272, 772);
  skinning.PrepareForm(&window);
  skin::TWinSkinForm* form = skinning.FormOf(&window);
  form->RenderFrame();
  for (auto _ : state) {
    form->ForgetOutline();
    form->RenderFrame();
    benchmark::DoNotOptimize(form->Outline().rectCount());
  }
  state.counters["rects"] = form->Outline().rectCount();
}
BENCHMARK(BM_ResizeMask)->Unit(benchmark::kMillisecond);

}  // namespace
