#include "PathText.h"

namespace fs = std::filesystem;

fs::path PathFromText(std::string_view text) {
#ifdef _WIN32
  return fs::path(std::u8string(text.begin(), text.end()));
#else
  return fs::path(std::string(text));
#endif
}

std::string PathText(const fs::path& path) {
#ifdef _WIN32
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
#else
  return path.native();
#endif
}
