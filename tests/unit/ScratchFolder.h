#pragma once

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away, and small file helpers for the tests that work on files.

#include <optional>
#include <string>
#include <utility>
#include <vector>

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
// The permission bits of a file or folder (of a link itself, not of what it points at); 0 when
// it is missing.
unsigned ModeOf(const std::string& path);

#ifndef _WIN32
// Sets (or, with nullopt, unsets) environment variables for the life of the object.
class Environment {
public:
    Environment() = default;
    Environment(const char* name, std::optional<std::string> value) { Set(name, std::move(value)); }
    ~Environment();
    void Set(const char* name, std::optional<std::string> value);

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};
#endif

} // namespace corvane::test
