#pragma once
// A small library form for the tests, laid out as a designer would for a 1024 x 768 screen, with
// its layouts kept in memory as object-stream bytes (as a descendant's storage would keep them).
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/objects/ObjStream.h"
#include "foundation/streams/Stream.h"
#include "widgets/qt/GradientPanel.h"
#include "widgets/qt/OlvForm.h"

namespace olvtest {

using LayoutStore = std::map<std::string, std::string>;

class SampleForm : public olv::TForm {
 public:
  explicit SampleForm(LayoutStore* store = nullptr, const char* name = "frmSample") : store_(store) {
    setObjectName(name);
    resize(1000, 700);
    move(100, 50);
    button = new QPushButton("OK", this);
    button->setObjectName("btnOk");
    button->setGeometry(100, 50, 200, 30);
    label = new QLabel("Name", this);
    label->setObjectName("lblName");
    label->setGeometry(10, 110, 60, 20);
    edit = new QLineEdit(this);
    edit->setObjectName("edtName");
    edit->setGeometry(80, 110, 300, 21);
    label->setBuddy(edit);
    panel = new olv::TGradientPanel(this);  // unnamed: known by its named child
    panel->setGeometry(0, 600, 1000, 100);
    inner = new QPushButton("Inner", panel);
    inner->setObjectName("btnInner");
    inner->setGeometry(10, 10, 120, 40);
    status = new QStatusBar(this);
    status->setObjectName("sbHints");
    status->setGeometry(0, 680, 1000, 20);
    SetHintBar(status);
  }

  std::vector<std::string> menuTexts;
  LayoutStore* store_;
  QPushButton* button;
  QLabel* label;
  QLineEdit* edit;
  olv::TGradientPanel* panel;
  QPushButton* inner;
  QStatusBar* status;

 protected:
  void StoreLayout(const std::string& key, const olv::TControlPositionList& layout) override {
    if (!store_) return;
    olv::TMemoryStream out;
    olv::WriteObjectToStream(out, &layout);
    (*store_)[key] = std::string(out.View());
  }
  std::unique_ptr<olv::TBaseObject> ReadLayout(const std::string& key) override {
    if (!store_ || !store_->count(key)) return nullptr;
    olv::TMemoryStream in(store_->at(key));
    return olv::ReadObjectFromStream(in);
  }
  void DeleteLayout(const std::string& key) override {
    if (store_) store_->erase(key);
  }
  bool GetCustomizeMenuTexts(std::vector<std::string>& texts) override {
    texts = menuTexts;
    return !menuTexts.empty();
  }
};

}  // namespace olvtest
