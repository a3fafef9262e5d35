#include "app/core/SchemeEditor.h"

#include <atomic>

namespace sch {

namespace {
HeadlessSchemeEditor gHeadless;
std::atomic<SchemeEditor*> gEditor{nullptr};
}  // namespace

SchemeEditor& CurrentSchemeEditor() {
  SchemeEditor* e = gEditor.load();
  return e ? *e : gHeadless;
}

void SetSchemeEditor(SchemeEditor* editor) { gEditor.store(editor); }

}  // namespace sch
