// Where the tool's help pages lie. Run from the build folder they are beside the program
// (Help/Help.html); installed they are in the data folder of the installed tree
// (share/velmora/Help/Help.html, found relative to the program, so any prefix works).
#pragma once

#include <filesystem>

namespace velmora {

// The folder holding Help.html for the program in `programFolder`: beside the program when
// it is there, else the installed one; empty when neither holds the page.
std::filesystem::path FindHelpFolder(const std::filesystem::path& programFolder);

// Help.html in FindHelpFolder, or empty.
std::filesystem::path FindHelpPage(const std::filesystem::path& programFolder);

}  // namespace velmora
