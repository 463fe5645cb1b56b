#pragma once

#include <string>

namespace sonaro {

class CSonaroDoc;
class TerminalUser;

// Opens an input of the command line in the document. "-" is the standard input: it is read to
// its end into the document's private directory, then opened as a file, and the messages name it
// "-". With import, a file the reader refuses is imported first. Answers false after the message
// that tells why the input was not opened.
bool OpenInput(CSonaroDoc& doc, TerminalUser& user, const std::string& input, bool import);

}  // namespace sonaro
