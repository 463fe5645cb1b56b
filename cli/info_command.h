#pragma once

#include <iosfwd>
#include <string>

#include "document/format_record.h"

namespace sonaro {

// Opens the file (importing it first, when asked and the reader refuses it) and prints the six
// lines of the information view. Answers the exit status: 0 when the file was accepted, 1 when
// it was refused or could not be read.
int RunInfo(const std::string& path, bool import, std::ostream& out, std::ostream& errors);

// The six lines of the information view of a record, each label followed by its value.
void PrintInfo(std::ostream& out, const FormatRecord& record);

}  // namespace sonaro
