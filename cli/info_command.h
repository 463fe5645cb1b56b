#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "convert/files/failure.h"
#include "convert/operations/format_record.h"

namespace sonaro {

// Opens each file (importing it first, when asked and the reader refuses it) and prints the six
// lines of the information view, under the file's name when there are several; with json, one
// JSON object per file and line instead, holding the record's fields or the refusal's text. A
// refusal does not stop the rest. Answers the exit status: 0 when every file was accepted, 1 when
// any was refused or could not be read.
int RunInfo(const std::vector<std::string>& inputs, bool json, bool import, std::ostream& out,
            std::ostream& errors);

// The six lines of the information view of a record, each label followed by its value; first a
// line "NAME:" when a name is given.
void PrintInfo(std::ostream& out, const FormatRecord& record, const std::string& name);

// The record as one JSON object: {"file":..., "format":..., "sizeKB":..., "playbackSeconds":...,
// "rate":..., "channels":..., "bits":...}; or, for a file refused, {"file":..., "error":...}.
std::string InfoJson(const std::string& file, const FormatRecord& record);
std::string RefusalJson(const std::string& file, const std::string& error);

// Flushes what was printed; answers 0, or the error number of the write that failed.
int FlushError(std::ostream& out);
// The failure of a write to standard output that failed with that error number.
Failure OutputFailure(int error);

}  // namespace sonaro
