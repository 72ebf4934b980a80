#pragma once

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away, and small file helpers for the tests that work on files.

#include <string>

namespace corvane::test {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // Path() + "/" + name.
    std::string File(const std::string& name) const;

private:
    std::string m_path;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

} // namespace corvane::test
