#include "app/gui/PasswordMask.h"

#include <QLineEdit>

namespace sch {

void MaskWithStars(QLineEdit& field) {
  field.setEchoMode(QLineEdit::Password);
  // The mask character is a style hint; a style sheet of the field's own sets it for this field
  // alone and leaves the drawing to the application's style (the skin's, when one is applied).
  field.setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
}

}  // namespace sch
