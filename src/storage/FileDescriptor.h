#pragma once

#include "storage/FileProblem.h"

#include <string>

namespace orvanel {

// An open file, closed on every way out.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }

    // Opens an ordinary file (not a folder, a device or a pipe) for reading, with open()'s
    // extraFlags (O_NOFOLLOW); otherwise the descriptor is not open and problem says why.
    static FileDescriptor openOrdinaryFile(const std::string& path, FileProblem& problem, int extraFlags = 0);

    bool isOpen() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    // Closes now, for the error that close itself may report (a delayed write failure); 0 when none.
    int close();

private:
    int m_fd;
};

// The start of a small settings file, at most a given number of bytes.
struct FileStart
{
    bool missing = false; // there is no such file, which is no problem: the defaults hold
    std::string text;
    FileProblem problem;    // why the file could not be read; empty when it could or is missing
    bool untrusted = false; // the file, or a link to it, is another user's: problem says whose
};

// Reads at most maxBytes from the start of the ordinary file at path. A settings file is read only
// when it and every link to it are the user's or root's (see followTrustedLinks).
FileStart readFileStart(const std::string& path, std::size_t maxBytes);

} // namespace orvanel
