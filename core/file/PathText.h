#pragma once
// File names between text and std::filesystem::path.
//
// Inside the programs a file name held as text is UTF-8 on Windows (the command line is read in
// UTF-16 and converted once) and the file system's own bytes elsewhere, so that a name shows in a
// message exactly as the user typed it. These two functions are the only crossings; never let a
// std::string turn into a path implicitly, which on Windows would go through the ANSI code page.

#include <filesystem>
#include <string>
#include <string_view>

std::filesystem::path PathFromText(std::string_view text);
std::string PathText(const std::filesystem::path& path);
