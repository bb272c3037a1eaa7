// The editor's toolbar pictures, drawn rather than stored so that they stay sharp at any
// screen resolution.
#pragma once

#include <QIcon>

namespace zirt {

enum class Glyph { kSave, kInsertRow, kAppendRow, kDeleteRow, kClearRows };

QIcon MakeGlyph(Glyph glyph);

}  // namespace zirt
