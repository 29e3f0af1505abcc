#include "FlashDirectory.h"

#include "text/Text.h"

namespace {

std::string TrimEnd(std::string_view text) {
  return std::string(TrimTrailingBlanks(text));
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

long long EntrySizeFromLine(const std::string& line) {
  long long size = 0;
  for (size_t at = 0; (at = line.find_first_of("bB", at)) != std::string::npos; ++at) {
    std::string word = line.substr(at, 5);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool wordEnds =
        at + 5 >= line.size() || !std::isalnum(static_cast<unsigned char>(line[at + 5]));
    if (word != "bytes" || !wordEnds) continue;
    size_t end = at;
    while (end > 0 && line[end - 1] == ' ') --end;
    size_t begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(line[begin - 1])) &&
           end - begin < 12)
      --begin;
    if (begin == end || (begin > 0 && std::isalnum(static_cast<unsigned char>(line[begin - 1]))))
      continue;
    size = std::stoll(line.substr(begin, end - begin));
  }
  return size;
}
