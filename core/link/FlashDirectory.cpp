#include "FlashDirectory.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string TrimEnd(std::string text) {
  while (!text.empty() && IsBlank(text.back())) text.pop_back();
  return text;
}

}  // namespace

FlashDirectory SplitFlashDirectory(const std::string& text) {
  FlashDirectory directory;
  const size_t firstCr = text.find('\r');
  if (firstCr == std::string::npos) {
    if (!text.empty()) directory.entries.push_back(text);
    return directory;
  }
  size_t pos = 0;
  if (firstCr > 0) {
    directory.summary = TrimEnd(text.substr(0, firstCr));
    pos = firstCr + 1;
  }
  while (pos < text.size()) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos >= text.size()) break;
    const size_t cr = text.find('\r', pos);
    const size_t end = cr == std::string::npos ? text.size() : cr;
    directory.entries.push_back(TrimEnd(text.substr(pos, end - pos)));
    pos = end == text.size() ? end : end + 1;
  }
  return directory;
}
