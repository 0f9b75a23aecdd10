// The tool table: which of our programs a command word starts, and where the
// program is found (beside the front end's own executable first, then on
// PATH).
#ifndef ZORB_FRONTEND_CORE_TOOLTABLE_H
#define ZORB_FRONTEND_CORE_TOOLTABLE_H

#include <QString>

namespace zfront {

// The program a command word selects ("zorbplw" for "ZorbPly.exe"), compared
// ignoring case after removing a trailing ".exe"; empty when the word is not
// in the table.
QString ToolProgram(const QString &word);

// The executable of a program: ownDirectory/program when it is there and
// executable, else the program found on PATH; empty when neither exists.
QString FindProgram(const QString &program, const QString &ownDirectory);

} // namespace zfront

#endif
