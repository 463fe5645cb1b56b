#pragma once

#include <exception>
#include <string>

#include "convert/files/file_exception.h"

namespace sonaro {

// Why an operation of the engine did not succeed: everything a front end needs to show it. The
// message is a number of the string table, or words of their own (a reader's or an importer's
// reason, an internal fault's detail) held in text; path names the file it concerns (empty: the
// sound being worked on); osError is the system's error number behind it (0 when there is none).
struct Failure {
    unsigned message = 0;
    std::string text;
    std::string path;
    int osError = 0;

    // The words to show: text when it holds some, else the message's.
    std::string Text() const;
    // The user asked to stop.
    bool Cancelled() const;

    static Failure Of(unsigned message, std::string path = {});
    static Failure Words(std::string text, std::string path = {});
    // A failed file operation, named by its file.
    static Failure FromFile(const FileException& error);
    // What a fault of the program itself (a broken rule inside the engine) is told as.
    static Failure Internal(const std::exception& fault, std::string path = {});
};

}  // namespace sonaro
