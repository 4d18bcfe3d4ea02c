// Small file helpers every layer may use: paths from the core's UTF-16 text, reading a
// whole file, replacing a file safely.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

// A path from the UTF-16 text the core keeps paths in, and back (for messages).
std::filesystem::path PathFromText(std::u16string_view text);
std::u16string PathText(const std::filesystem::path& path);

enum class FileRead { Ok, Missing, Failed };
// All bytes of a file. Missing when it or a folder on its way does not exist; Failed with
// the system's reason otherwise.
FileRead ReadFileBytes(const std::filesystem::path& path, std::string& bytes,
                       std::string* reason = nullptr);
// Replaces the file's contents through a temporary file in the same folder and a rename
// (a symbolic link is followed, and the old file's permissions kept); on failure the old
// file is untouched and `reason` holds the system's reason.
bool WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes,
                        std::string* reason = nullptr);

}  // namespace velmora
