#pragma once

#include <QString>
#include <QStringList>

// The texts of the connection window's help.
namespace SidHelp {

// "This software works with Oracle 9i or higher." CR CR "The SID is used ... looks like:"
QString Introduction();
// CR LF CR LF, before and after the sample entry.
QString Break();
// The nine lines of the sample TNSNAMES.ORA entry, leading spaces included.
QStringList SampleLines();
// Each line but the last followed by CR LF.
QString JoinSample(const QStringList& lines);
QString Conclusion();

// The second box of "Help".
QString ClobNote();

} // namespace SidHelp
