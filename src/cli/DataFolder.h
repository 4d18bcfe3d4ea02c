// Where the command keeps its pages and reads Config.ini and Dictionary.ini by default.
#pragma once

#include <filesystem>

namespace velmora {

// The user's documents folder followed by Quorrin/VelmoraData.
std::filesystem::path DefaultDataFolder();

}  // namespace velmora
