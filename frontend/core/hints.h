// The hints shown over the controls of the tool tabs: one short text for each
// caption a control carries (or the caption of its row), so every control
// says what it does.
#ifndef ZORB_FRONTEND_CORE_HINTS_H
#define ZORB_FRONTEND_CORE_HINTS_H

#include <QString>

namespace zfront {

// The hint for a caption (mnemonic '&' and trailing blanks ignored), or
// empty when there is none.
QString HintFor(const QString &caption);

} // namespace zfront

#endif
