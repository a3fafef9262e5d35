#pragma once
// Password fields of this program show one "*" per character, as its command lines and the
// parameter grid do, whatever mask character the style of the day prefers. GUI thread only.
class QLineEdit;

namespace sch {

// Puts the field in password mode with "*" as its mask.
void MaskWithStars(QLineEdit& field);

}  // namespace sch
