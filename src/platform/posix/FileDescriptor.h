#pragma once

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

    bool isOpen() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    // Closes now, for the error that close itself may report (a delayed write failure); 0 when none.
    int close();

private:
    int m_fd;
};

} // namespace orvanel
