#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

// A fresh folder in the system's temporary folder, named `prefix` and a
// unique ending, removed with everything in it at the end; path() is empty
// when it could not be made.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix) {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};
